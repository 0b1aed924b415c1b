// The serialiser's inner steps: one growing output block shared by every
// write, content and attribute escaping, and the element walk.
#ifndef XMLSLICE_WRITER_HPP
#define XMLSLICE_WRITER_HPP

#include <cstddef>
#include <cstring>

#include "support/bytes.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

// Text written so far. Each write first asks for headroom; the block grows
// geometrically in whole 1024-byte steps. After a failed allocation storage is null and every
// later write does nothing.
struct OutputBuffer {
    char* storage = nullptr;
    std::size_t used = 0;
    std::size_t capacity = 0;

    // A block of at least 1024 bytes, whole 1024-byte steps, room for `expected`;
    // once, on a buffer that holds nothing yet.
    bool open(std::size_t expected);
    // True when used + headroom fits, growing the block if needed.
    bool reserve(std::size_t headroom) {
        return used + headroom <= capacity || grow(used + headroom);
    }
    // Only after a reserve that covered length.
    void put(const char* bytes, std::size_t length) {
        copy_bytes(storage + used, bytes, length);
        used += length;
    }
    void put(char byte) { storage[used++] = byte; }
    void fail();
    // The text with its NUL in a block trimmed to fit; null after a failure.
    char* close();

  private:
    bool grow(std::size_t needed);
};

// Character data, or an attribute value between double quotes.
enum class Escape : unsigned char { content, attribute };
constexpr std::size_t UP_TO_NUL = ~std::size_t(0);

// Copies the bytes of an attribute value that need no escaping, at most
// SHORT_VALUE of them, to `to`; returns how many.
constexpr std::size_t SHORT_VALUE = 16;
std::size_t copy_plain_value(const char* value, char* to);
// Appends at most count bytes of text (fewer when its NUL comes first),
// escaped for mode; returns how many source bytes were taken.
std::size_t escape_text(const char* text, std::size_t count, OutputBuffer& out, Escape mode);

// Writes first and the siblings after it in document order, each with its
// subtree, and their parent's text around them from position start.
void write_element(XmlElement* first, OutputBuffer& out, std::size_t start,
                   AttributeDefaultTable defaults);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_WRITER_HPP
