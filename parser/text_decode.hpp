// Text conversion: UTF-16 input to UTF-8, and decoding of character data,
// attribute values and entity values (line ends, references, white space).
#ifndef XMLSLICE_TEXT_DECODE_HPP
#define XMLSLICE_TEXT_DECODE_HPP

#include <cstddef>
#include <cstdint>

#include "support/pod_vector.hpp"

namespace xmlslice::detail {

// A stretch of text being read: the main text, or an entity's value.
struct Segment {
    const char* next;
    const char* end;
};

// What every decode of one parse shares: the bound on entity work, the stack
// of entity values being read, and scratch space for bytes gathered across it.
struct DecodeContext {
    std::size_t expanded = 0;  // bytes inserted by entity substitution so far
    // Bytes walked matching names that the hash cannot find and checking
    // declarations for cycles: work that inserts nothing but is bounded too.
    std::size_t searched = 0;
    std::size_t expansion_limit = ~std::size_t(0);
    std::size_t search_limit = ~std::size_t(0);
    bool over_limit() const { return expanded > expansion_limit || searched > search_limit; }
    PodVector<Segment> segments;  // innermost last
    PodVector<char> key;          // a name or number that spans segments, gathered
};

// Reads bytes forward across segments: from the innermost segment's cursor
// on, then on through the segments below it.
class Lookahead {
  public:
    Lookahead(const Segment* segments, std::size_t depth)
        : segments_(segments), level_(depth - 1), at_(segments[depth - 1].next) {}
    // The next byte, or -1 after the last byte of the bottom segment.
    int next() {
        int c = peek();
        if (c >= 0) ++at_;
        return c;
    }
    int peek() {
        while (at_ == segments_[level_].end) {
            if (level_ == 0) return -1;
            at_ = segments_[--level_].next;
        }
        return static_cast<unsigned char>(*at_);
    }
    // The bytes left in the segment being read, which follow without a gap.
    const char* contiguous(std::size_t& length) const {
        length = static_cast<std::size_t>(segments_[level_].end - at_);
        return at_;
    }

  private:
    const Segment* segments_;
    std::size_t level_;
    const char* at_;
};

class EntitySet;

// What a piece of text is, which decides what decoding does to it.
enum class DecodeMode : unsigned char {
    content,       // character data: references expanded
    cdata,         // a CDATA section: line ends only
    attribute,     // a CDATA or undeclared attribute: white space becomes spaces
    token,         // any other declared attribute: spaces also collapsed and trimmed
    entity_value,  // an entity's literal value: '%' references, '&' ones kept
};

// The mode of an attribute declared with a type marker (" " CDATA, "*" other).
inline DecodeMode mode_of_marker(const char* marker) {
    return *marker == '*' ? DecodeMode::token : DecodeMode::attribute;
}

// Reads a character reference's number (what follows "&#", NUL-terminated
// at the latest) as strtol does in the POSIX locale: blanks, a sign, for
// base 16 an optional 0x, digits; then its ';'. False when the reference is
// not valid or its value is not a Unicode scalar value (0, negative, a
// surrogate or above U+10FFFF), which stays as written; else `length`
// counts the bytes through the ';'.
bool read_reference_number(const char* number, std::int64_t& value, std::size_t& length);

// Writes the UTF-8 form of a code point below 2^31 (one byte, the low eight
// bits, for anything up to 127, negatives included); returns the byte count.
std::size_t encode_utf8(std::int64_t code_point, char* destination);

// What the input's bytes are: UTF-16 after a byte-order mark, else what an
// XML declaration at the very start names, else UTF-8.
enum class InputEncoding : unsigned char {
    utf8,
    utf16_big,
    utf16_little,
    latin1,  // ISO-8859-1, and US-ASCII, a subset of it
    windows_1252,
    unsupported,
};

// The input's encoding; for an unsupported one, `name` and `name_length`
// give the name the declaration wrote. Reads no further than the
// declaration's first '>' or the length.
InputEncoding input_encoding(const char* buffer, std::size_t length, const char*& name,
                             std::size_t& name_length);

// Converts UTF-16 (after its byte-order mark) or a single-byte encoding to
// a new heap buffer of UTF-8 (no terminator), replaces buffer and length
// and returns the new buffer. Line ends stay as they were. When memory runs
// out, sets out_of_memory, returns null and changes nothing.
char* convert_to_utf8(char*& buffer, std::size_t& length, InputEncoding from, bool& out_of_memory);

// When buffer starts with 0xFE or 0xFF (a UTF-16 byte-order mark), converts
// it as convert_to_utf8 does; otherwise returns null and changes nothing.
inline char* utf16_to_utf8(char*& buffer, std::size_t& length, bool& out_of_memory) {
    auto first = static_cast<unsigned char>(buffer[0]);
    if (first != 0xFE && first != 0xFF) return nullptr;
    return convert_to_utf8(buffer, length,
                           first == 0xFE ? InputEncoding::utf16_big : InputEncoding::utf16_little,
                           out_of_memory);
}

enum class DecodeStatus { ok, too_large, out_of_memory };

struct Decoded {
    char* text;          // the text itself, or a new heap string the caller owns
    std::size_t length;  // strlen of the result
    DecodeStatus status;
    // Line ends the caller's text holds fewer than before (negative: more).
    std::ptrdiff_t lost_line_ends = 0;
};

// Decodes the NUL-terminated text of the given length. Entities are looked up
// in the set given (for entity values: the parameter entities). The first
// `clean` bytes are known to hold no byte that decoding changes. On failure
// nothing is allocated.
Decoded decode_text(DecodeContext& context, char* text, std::size_t length,
                    const EntitySet& entities, DecodeMode mode, std::size_t clean = 0);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TEXT_DECODE_HPP
