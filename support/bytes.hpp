// Comparing and copying short byte strings (names, runs of text) without
// a call: word-sized moves, overlapping at the end.
#ifndef XMLSLICE_BYTES_HPP
#define XMLSLICE_BYTES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xmlslice::detail {

// Both strings must hold `length` bytes: the words read are theirs, so a
// caller that knows only one length compares with a bounded strncmp.
inline bool equal_bytes(const char* a, const char* b, std::size_t length) {
    std::uint64_t x, y;
    for (; length >= 8; a += 8, b += 8, length -= 8) {
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        if (x != y) return false;
    }
    for (std::size_t i = 0; i < length; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

// A mark in the high bit of a word's NUL bytes, 0 when it has none. Only
// the lowest mark is sure: bytes past the first NUL may be marked wrongly.
inline std::uint64_t nul_marks(std::uint64_t word) {
    return (word - 0x0101010101010101ULL) & ~word & 0x8080808080808080ULL;
}

// Whether two NUL-terminated names that lie in one text before `end` are
// equal: eight bytes at a time while both words lie before it.
inline bool same_names(const char* a, const char* b, const char* end) {
    for (; end - a >= 8 && end - b >= 8; a += 8, b += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a, 8);
        std::memcpy(&y, b, 8);
        // Through its first NUL, a's word must be b's.
        if (std::uint64_t zeros = nul_marks(x)) return ((x ^ y) & (zeros ^ (zeros - 1))) == 0;
        if (x != y) return false;
    }
    return std::strcmp(a, b) == 0;
}

inline void copy_bytes(char* to, const char* from, std::size_t length) {
    if (length > 16) {
        std::memcpy(to, from, length);
    } else if (length >= 8) {
        std::memcpy(to, from, 8);
        std::memcpy(to + length - 8, from + length - 8, 8);
    } else if (length >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + length - 4, from + length - 4, 4);
    } else if (length) {
        to[0] = from[0];
        to[length / 2] = from[length / 2];
        to[length - 1] = from[length - 1];
    }
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_BYTES_HPP
