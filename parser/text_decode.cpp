// Decoding one piece of text in one pass: a write cursor trails the read
// cursor, entity values are read from their own storage through a stack of
// segments, and the text moves to a heap block only when an entity's value
// is longer than its reference.
#include "parser/text_decode.hpp"

#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/entity_set.hpp"
#include "parser/line_ledger.hpp"
#include "support/byte_search.hpp"
#include "support/growth.hpp"

namespace xmlslice::detail {

namespace {

// What a mode does besides normalising line ends. Its search stops at the
// bytes it may change: CR, references ('&', and '%' in entity values) and,
// in attribute values, white space, which becomes a space.
struct ModeTraits {
    char* (*find_change)(char*);
    bool general_references;  // '&name;' is expanded
    bool spaces;              // white space becomes a space
    bool collapse;            // spaces collapse, ends trimmed
};

constexpr ModeTraits mode_traits[] = {
    {find_any<'&', '\r'>, true, false, false},       {find_any<'\r'>, false, false, false},
    {find_value_change, true, true, false},          {find_value_change, true, true, true},
    {find_any<'&', '%', '\r'>, false, false, false},
};

// A byte's value as a digit of base 36; 99 for a byte that is none. A
// table, so reading a number takes no branches per digit.
struct DigitValues {
    unsigned char of[256];
    constexpr DigitValues() : of() {
        for (int c = 0; c < 256; ++c)
            of[c] = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'z' ? c - 'a' + 10
                    : c >= 'A' && c <= 'Z' ? c - 'A' + 10
                                           : 99;
    }
};
constexpr DigitValues digit_values;

int digit_value(int c) {
    return digit_values.of[c & 0xFF];
}

}  // namespace

bool read_reference_number(const char* p, std::int64_t& value, std::size_t& length) {
    const char* at = p;
    int base = *at == 'x' ? 16 : 10;
    at += base == 16;
    while (has_class(*at, SPACE)) ++at;
    if (*at == '-') return false;  // no scalar value is negative
    at += *at == '+';
    if (base == 16 && at[0] == '0' && (at[1] | 0x20) == 'x' && digit_value(at[2]) < 16) at += 2;
    const char* digits = at;
    std::int64_t magnitude = 0;
    for (int digit; (digit = digit_value(*at)) < base; ++at)
        if (magnitude <= 0x10FFFF) magnitude = magnitude * base + digit;
    if (at == digits || *at != ';' || magnitude == 0 || magnitude > 0x10FFFF ||
        (magnitude >> 11) == 0x1B)  // a surrogate
        return false;
    value = magnitude;
    length = at + 1 - p;
    return true;
}

namespace {

class Decoder {
  public:
    Decoder(DecodeContext& context, const EntitySet& entities, DecodeMode mode, char* text,
            std::size_t length)
        : context_(context),
          entities_(entities),
          mode_(mode_traits[static_cast<int>(mode)]),
          text_(text),
          end_(text + length) {}

    Decoded run(std::size_t clean);

  private:
    Segment& top() { return context_.segments.back(); }
    Segment& main_text() { return context_.segments[0]; }
    std::size_t depth() const { return context_.segments.size(); }

    void fold_line_ends(char* first_cr);
    DecodeStatus expand_references(char* first_special);
    DecodeStatus expand_segment();
    bool simple_change(const char* at, const char* end, char* encoded, std::size_t& length,
                       std::size_t& taken);
    DecodeStatus reference();
    DecodeStatus character_reference();
    bool number_change(const char* number, char* encoded, std::size_t& length, std::size_t& taken);
    DecodeStatus entity_reference(const EntitySet::Match& match);
    DecodeStatus emit_reference_bytes(const char* bytes, std::size_t length, std::size_t read);
    void consume(std::size_t count);
    bool reserve(std::size_t count);
    bool emit(const char* bytes, std::size_t count);
    bool move_to_heap(std::size_t extra);
    void before_line_change();
    std::ptrdiff_t lost_line_ends() const;
    std::size_t collapse_spaces(char* string, std::size_t length);

    DecodeContext& context_;
    const EntitySet& entities_;
    const ModeTraits& mode_;
    char* text_;
    char* end_;  // the terminating NUL of the line-folded text
    char* out_ = nullptr;
    char* heap_ = nullptr;
    std::size_t heap_capacity_ = 0;
    std::ptrdiff_t original_line_ends_ = -1;  // taken before the first change to them
    bool wrote_nul_ = false;
};

// CR LF and lone CR become LF; every removed byte leaves a NUL at the end.
void Decoder::fold_line_ends(char* first_cr) {
    char* read = first_cr;
    char* write = first_cr;
    while (read < end_) {
        auto* cr = static_cast<char*>(std::memchr(read, '\r', end_ - read));
        char* stop = cr ? cr : end_;
        std::memmove(write, read, stop - read);
        write += stop - read;
        if (!cr) break;
        *write++ = '\n';
        read = cr + 1 + (cr + 1 < end_ && cr[1] == '\n');
    }
    std::memset(write, 0, end_ - write);
    end_ = write;
}

// Room for count more bytes and a NUL: in place the output never outruns
// the input; on the heap the block grows.
bool Decoder::reserve(std::size_t count) {
    if (!heap_) return true;
    std::size_t used = out_ - heap_;
    if (!grow(heap_, heap_capacity_, used + count + 1)) return false;
    out_ = heap_ + used;
    return true;
}

bool Decoder::emit(const char* bytes, std::size_t count) {
    if (!reserve(count)) return false;
    if (out_ != bytes) std::memmove(out_, bytes, count);
    out_ += count;
    return true;
}

void Decoder::consume(std::size_t count) {
    while (count) {
        Segment& segment = top();
        auto available = static_cast<std::size_t>(segment.end - segment.next);
        std::size_t taken = available < count ? available : count;
        segment.next += taken;
        count -= taken;
        if (segment.next == segment.end && depth() > 1) context_.segments.pop();
        if (taken == 0 && depth() == 1) break;
    }
    while (depth() > 1 && top().next == top().end) context_.segments.pop();
}

bool Decoder::move_to_heap(std::size_t extra) {
    std::size_t used = out_ - text_;
    std::size_t capacity = used + (end_ - main_text().next) + extra + 64;
    heap_ = static_cast<char*>(std::malloc(capacity));
    if (!heap_) return false;
    std::memcpy(heap_, text_, used);
    // The caller's text keeps the state it had; bytes already read behind
    // the result are cleared, so its line ends are the input's.
    std::memset(out_, 0, main_text().next - out_);
    heap_capacity_ = capacity;
    out_ = heap_ + used;
    return true;
}

// The bytes a reference stands for replace the `read` bytes it took.
DecodeStatus Decoder::emit_reference_bytes(const char* bytes, std::size_t length,
                                           std::size_t read) {
    if (length == 1 && bytes[0] == '\0') wrote_nul_ = true;
    consume(read);
    return emit(bytes, length) ? DecodeStatus::ok : DecodeStatus::out_of_memory;
}

// Across segments the bytes that may belong to the reference are gathered
// first: each is gathered once, since none of them is '&'.
DecodeStatus Decoder::character_reference() {
    Lookahead reader(context_.segments.data(), depth());
    reader.next(), reader.next();  // "&#"
    PodVector<char>& bytes = context_.spanning;
    bytes.clear();
    for (int c; (c = reader.next()) >= 0;) {
        bool may_belong = has_class(static_cast<char>(c), SPACE) || c == '+' || c == '-' ||
                          c == ';' || digit_value(c) < 36;
        if (!may_belong || !bytes.push(static_cast<char>(c)) || c == ';') break;
    }
    char encoded[6];
    std::size_t length, taken;
    if (!bytes.push('\0') || !number_change(bytes.data(), encoded, length, taken))
        return emit_reference_bytes("&", 1, 1);
    return emit_reference_bytes(encoded, length, 2 + taken);
}

// The bytes of a character reference whose number begins at `number`, and
// the number's length; false when it is not valid.
[[gnu::always_inline]] inline bool Decoder::number_change(const char* number, char* encoded,
                                                          std::size_t& length, std::size_t& taken) {
    std::int64_t value;
    if (!read_reference_number(number, value, taken)) return false;
    length = encode_utf8(value, encoded);
    // White space after "&#" may hold a line feed; the value may be one.
    if (encoded[0] == '\n' || encoded[0] == '\r' || has_class(number[*number == 'x'], SPACE))
        before_line_change();
    return true;
}

DecodeStatus Decoder::entity_reference(const EntitySet::Match& match) {
    std::size_t value_length = entities_.value_length(match.entry);
    context_.expanded += value_length;
    if (context_.over_limit()) return DecodeStatus::too_large;
    if (value_length > match.reference_length && !heap_ && !move_to_heap(value_length))
        return DecodeStatus::out_of_memory;
    if (entities_.holds_line_end(match.entry)) before_line_change();
    char encoded[6];
    std::size_t encoded_length;
    // What rescanning a value of one character reference would give.
    if (entities_.single_reference(match.entry, encoded, encoded_length))
        return emit_reference_bytes(encoded, encoded_length, match.reference_length);
    consume(match.reference_length);
    if (value_length == 0) return DecodeStatus::ok;
    const char* value = entities_.value(match.entry);
    if (!context_.segments.push({value, value + value_length})) return DecodeStatus::out_of_memory;
    return DecodeStatus::ok;
}

DecodeStatus Decoder::reference() {
    Lookahead reader(context_.segments.data(), depth());
    int opener = reader.next();
    if (opener == '&' && reader.peek() == '#') return character_reference();
    EntitySet::Match match;
    bool expands = opener == '%' || mode_.general_references;
    bool found =
        expands && entities_.find(Lookahead(context_.segments.data(), depth()), context_, match);
    if (context_.over_limit()) return DecodeStatus::too_large;
    if (found) return entity_reference(match);
    char byte = static_cast<char>(opener);
    return emit_reference_bytes(&byte, 1, 1);
}

// What text most often holds needs nothing beyond the segment being read:
// white space in an attribute value (or a CR from an entity's value), a
// character reference in its usual form and the predefined entities. The
// bytes a change stands for, and how many it takes; false when the change
// needs the general way.
bool Decoder::simple_change(const char* at, const char* end, char* encoded, std::size_t& length,
                            std::size_t& taken) {
    if (*at != '&' && *at != '%') {
        if (*at == '\n' && mode_.spaces) before_line_change();
        encoded[0] = mode_.spaces ? ' ' : *at;
        length = taken = 1;
        return true;
    }
    if (*at == '%') return false;
    if (at[1] == '#') {
        if (!number_change(at + 2, encoded, length, taken)) return false;
        taken += 2;
    } else {
        if (!mode_.general_references) return false;
        std::size_t entry = entities_.find_leading(at + 1, end - (at + 1));
        if (entry == npos || !entities_.single_reference(entry, encoded, length)) return false;
        taken = entities_.name_length(entry) + 1;
        // The write cursor trails the read cursor in place, so a value longer
        // than its reference would overwrite bytes not yet read: the general
        // way moves the text to the heap first.
        if (entities_.value_length(entry) > taken && !heap_) return false;
        context_.expanded += entities_.value_length(entry);
        if (entities_.holds_line_end(entry)) before_line_change();
    }
    if (length == 1 && encoded[0] == '\0') wrote_nul_ = true;
    return true;
}

// The segment being read, by pointers, until a change needs the general way
// or the segment ends. No change writes more than it reads, so a heap block
// with room for the rest of the segment needs no growth on the way.
DecodeStatus Decoder::expand_segment() {
    Segment& segment = top();
    auto* at = const_cast<char*>(segment.next);
    if (!reserve(segment.end - at)) return DecodeStatus::out_of_memory;
    for (;;) {
        char* stop = mode_.find_change(at);
        if (out_ != at) std::memmove(out_, at, stop - at);
        out_ += stop - at;
        segment.next = at = stop;
        char encoded[6];
        std::size_t length, taken;
        if (at == segment.end || !simple_change(at, segment.end, encoded, length, taken)) break;
        for (std::size_t i = 0; i < length; ++i) *out_++ = encoded[i];
        at += taken;
    }
    return context_.over_limit() ? DecodeStatus::too_large : DecodeStatus::ok;
}

DecodeStatus Decoder::expand_references(char* first_special) {
    context_.segments.clear();
    if (!context_.segments.push({first_special, end_})) return DecodeStatus::out_of_memory;
    out_ = first_special;
    while (top().next != top().end) {
        DecodeStatus status = expand_segment();
        if (status != DecodeStatus::ok) return status;
        if (top().next == top().end)
            consume(0);  // a used-up entity value is done with
        else if ((status = reference()) != DecodeStatus::ok)
            return status;
    }
    return emit("", 0) ? DecodeStatus::ok : DecodeStatus::out_of_memory;
}

// Only spaces count here: leading and trailing ones go, runs become one.
std::size_t Decoder::collapse_spaces(char* string, std::size_t length) {
    char* write = string;
    bool gap = false;
    for (std::size_t i = 0; i < length; ++i) {
        if (string[i] == ' ') {
            gap = write != string;
            continue;
        }
        if (gap) *write++ = ' ';
        gap = false;
        *write++ = string[i];
    }
    std::size_t collapsed = write - string;
    std::memset(write, 0, length - collapsed);
    return collapsed;
}

// Line ends survive a decode in place where they stand, unless a reference
// or an attribute value's white space changes them: before the first such
// change the text's count is taken. Bytes at and after out_ were never
// written, and those behind it are the result so far.
[[gnu::cold]] void Decoder::before_line_change() {
    if (original_line_ends_ >= 0 || heap_) return;
    original_line_ends_ = static_cast<std::ptrdiff_t>(count_line_ends(text_, out_) +
                                                      count_line_ends(main_text().next, end_));
}

// How many line ends the caller's text has fewer than before the decode.
std::ptrdiff_t Decoder::lost_line_ends() const {
    if (original_line_ends_ < 0) return 0;
    return original_line_ends_ -
           static_cast<std::ptrdiff_t>(count_line_ends(text_, heap_ ? end_ : out_));
}

Decoded Decoder::run(std::size_t clean) {
    char* first = mode_.find_change(text_ + clean);
    if (auto* cr = static_cast<char*>(std::memchr(first, '\r', end_ - first))) {
        fold_line_ends(cr);
        first = mode_.find_change(first);
    }
    char* result = text_;
    std::size_t length = end_ - text_;
    if (first < end_) {
        DecodeStatus status = expand_references(first);
        if (status != DecodeStatus::ok) {
            std::free(heap_);
            return {text_, 0, status};
        }
        *out_ = '\0';
        result = heap_ ? heap_ : text_;
        length = out_ - result;
        if (!heap_) std::memset(out_, 0, end_ - out_);  // bytes freed behind the result
        if (heap_) trim(result, length + 1);
        if (wrote_nul_) length = std::strlen(result);
    }
    if (mode_.collapse) length = collapse_spaces(result, length);
    return {result, length, DecodeStatus::ok, lost_line_ends()};
}

}  // namespace

Decoded decode_text(DecodeContext& context, char* text, std::size_t length,
                    const EntitySet& entities, DecodeMode mode, std::size_t clean) {
    return Decoder(context, entities, mode, text, length).run(clean);
}

}  // namespace xmlslice::detail
