// Byte classes of the POSIX locale, as lookup tables, so that scanning never
// depends on the locale a host has set. NUL is in every stop set, so a scan
// also ends at the end of the text.
#ifndef XMLSLICE_BYTE_CLASS_HPP
#define XMLSLICE_BYTE_CLASS_HPP

#include <cstdint>

namespace xmlslice::detail {

enum ByteClass : std::uint8_t {
    SPACE = 0x01,              // space, tab, LF, VT, FF, CR
    NAME_START = 0x02,         // a letter, '_', ':' or any byte from 0x80
    STOP_TAG_NAME = 0x04,      // "\t\r\n />" and NUL
    STOP_ATTR_NAME = 0x08,     // "\t\r\n =/>" and NUL
    SKIP_BEFORE_VALUE = 0x10,  // "\t\r\n ="
    STOP_END_NAME = 0x20,      // "\t\r\n >" and NUL
    BLANK = 0x40,              // "\t\r\n "
};

struct ByteClassTable {
    std::uint8_t bits[256];

    constexpr ByteClassTable() : bits{} {
        for (int c = 0; c < 256; ++c) {
            bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            bool blank = c == ' ' || c == '\t' || c == '\r' || c == '\n';
            std::uint8_t b = 0;
            if (blank || c == '\v' || c == '\f') b |= SPACE;
            if (letter || c == '_' || c == ':' || c >= 0x80) b |= NAME_START;
            if (blank || c == '/' || c == '>' || c == 0) b |= STOP_TAG_NAME;
            if (blank || c == '=' || c == '/' || c == '>' || c == 0) b |= STOP_ATTR_NAME;
            if (blank || c == '=') b |= SKIP_BEFORE_VALUE;
            if (blank || c == '>' || c == 0) b |= STOP_END_NAME;
            if (blank) b |= BLANK;
            bits[c] = b;
        }
    }
};

inline constexpr ByteClassTable byte_classes{};

inline bool has_class(char c, std::uint8_t mask) {
    return byte_classes.bits[static_cast<unsigned char>(c)] & mask;
}

// First byte at or after p that is in the class (NUL ends every stop set).
// Unrolled: names and runs between tags are short, and the loop test is most
// of the cost of a byte.
inline char* skip_until(char* p, std::uint8_t mask) {
    for (;; p += 4) {
        if (has_class(p[0], mask)) return p;
        if (has_class(p[1], mask)) return p + 1;
        if (has_class(p[2], mask)) return p + 2;
        if (has_class(p[3], mask)) return p + 3;
    }
}
inline char* skip_while(char* p, std::uint8_t mask) {
    while (has_class(*p, mask)) ++p;
    return p;
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_BYTE_CLASS_HPP
