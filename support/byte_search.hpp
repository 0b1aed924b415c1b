// Searches for the bytes that end a plain run of text, sixteen at a time
// with SSE2 where it is available. Loads are aligned, so they never cross
// into a page past the terminating NUL; sanitizer builds use the byte loop.
#ifndef XMLSLICE_BYTE_SEARCH_HPP
#define XMLSLICE_BYTE_SEARCH_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__) && !defined(XMLSLICE_NO_SIMD)
#if defined(__has_feature)
#if !__has_feature(address_sanitizer)
#define XMLSLICE_SSE2 1
#endif
#else
#define XMLSLICE_SSE2 1
#endif
#endif

#ifdef XMLSLICE_SSE2
#include <emmintrin.h>
#endif

namespace xmlslice::detail {

#ifdef XMLSLICE_SSE2
// Applies match (16 bytes -> a mask of 0xFF where a byte stops the run) from
// p on, and returns the first stopping byte. NUL must be among the stops.
template <class Match>
inline char* find_first(char* p, Match match) {
    auto offset = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & 15);
    auto* block = reinterpret_cast<const __m128i*>(p - offset);
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(match(_mm_load_si128(block)))) >> offset;
    if (mask) return p + __builtin_ctz(mask);
    for (;;) {
        ++block;
        mask = static_cast<unsigned>(_mm_movemask_epi8(match(_mm_load_si128(block))));
        if (mask) return reinterpret_cast<char*>(const_cast<__m128i*>(block)) + __builtin_ctz(mask);
    }
}

// The same within the first `count` bytes from p: the stopping byte's
// offset, or count when none comes first. Blocks past them are not read.
template <class Match>
inline std::size_t find_first_within(const char* p, std::size_t count, Match match) {
    auto offset = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & 15);
    const auto* block = reinterpret_cast<const __m128i*>(p - offset);
    unsigned mask =
        static_cast<unsigned>(_mm_movemask_epi8(match(_mm_load_si128(block)))) >> offset;
    // base: the offset from p of the byte the mask's first bit stands for.
    for (std::size_t base = 0, next = 16 - offset;; base = next, next += 16) {
        if (mask) {
            std::size_t found = base + static_cast<std::size_t>(__builtin_ctz(mask));
            return found < count ? found : count;
        }
        if (next >= count) return count;
        mask = static_cast<unsigned>(_mm_movemask_epi8(match(_mm_load_si128(++block))));
    }
}

inline __m128i equal_to(__m128i bytes, char c) {
    return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c));
}

// A byte from 0x09 to 0x0D: tab, LF, VT, FF, CR.
inline __m128i control_space(__m128i bytes) {
    __m128i low = _mm_cmpeq_epi8(_mm_max_epu8(bytes, _mm_set1_epi8(9)), bytes);
    __m128i high = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(13)), bytes);
    return _mm_and_si128(low, high);
}
#endif

// The first byte that is NUL or one of Stops.
template <char... Stops>
inline char* find_any(char* p) {
#ifdef XMLSLICE_SSE2
    return find_first(p, [](__m128i x) {
        __m128i stops = equal_to(x, '\0');
        ((stops = _mm_or_si128(stops, equal_to(x, Stops))), ...);
        return stops;
    });
#else
    while (*p && ((*p != Stops) && ...)) ++p;
    return p;
#endif
}

// The first run[0] followed by run[1] (and by run[2], when run is three
// bytes long), or the text's NUL: a bounded search for the end of a
// comment, CDATA section or instruction that reads nothing past that end.
// Out of line: these ends are rare next to tags, and the code is shared.
[[gnu::noinline]] inline char* find_run(char* p, const char* run) {
    for (;; ++p) {
        p = strchrnul(p, run[0]);
        if (!*p || (p[1] == run[1] && (!run[2] || p[2] == run[2]))) return p;
    }
}

// Where plain character data ends.
inline char* find_content_stop(char* p) {
    return find_any<'<', '&', '\r'>(p);
}

// The first quote, '&', tab, LF, VT, FF, CR or NUL: where a plain attribute value ends.
inline char* find_value_stop(char* p, char quote) {
#ifdef XMLSLICE_SSE2
    return find_first(p, [quote](__m128i x) {
        return _mm_or_si128(_mm_or_si128(equal_to(x, quote), equal_to(x, '&')),
                            _mm_or_si128(control_space(x), equal_to(x, '\0')));
    });
#else
    while (*p && *p != quote && *p != '&' && !(*p >= 9 && *p <= 13)) ++p;
    return p;
#endif
}

// The same once the closing quote is a NUL: where a plain run of a value
// being decoded ends.
inline char* find_value_change(char* p) {
    return find_value_stop(p, '\0');
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_BYTE_SEARCH_HPP
