// Comparing and copying short byte strings (names, runs of text) without
// a call: word-sized moves, overlapping at the end.
#ifndef XMLSLICE_BYTES_HPP
#define XMLSLICE_BYTES_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace xmlslice::detail {

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
