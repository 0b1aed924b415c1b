// Searches for the bytes that end a plain run of text, sixteen at a time
// with SSE2 where it is available. Loads are aligned, so they never cross
// into a page past the terminating NUL; sanitizer builds use the byte loop.
#ifndef XMLSLICE_BYTE_SEARCH_HPP
#define XMLSLICE_BYTE_SEARCH_HPP

#include <cstdint>

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

// The same, for a stretch that may end before its NUL: `limit` when no
// stopping byte comes before it. Blocks from the limit on are not read.
template <class Match>
inline const char* find_first_before(const char* p, const char* limit, Match match) {
    auto offset = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & 15);
    const char* block = p - offset;
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                        match(_mm_load_si128(reinterpret_cast<const __m128i*>(block))))) >>
                    offset;
    for (const char* at = p;;) {
        if (mask) return at + __builtin_ctz(mask) < limit ? at + __builtin_ctz(mask) : limit;
        at = block += 16;
        if (at >= limit) return limit;
        mask = static_cast<unsigned>(
            _mm_movemask_epi8(match(_mm_load_si128(reinterpret_cast<const __m128i*>(block)))));
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

}  // namespace xmlslice::detail

#endif  // XMLSLICE_BYTE_SEARCH_HPP
