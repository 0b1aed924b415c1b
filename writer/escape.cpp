// Escaping of content and attribute values. Runs of bytes that need no
// replacement are found sixteen bytes at a time and copied in one piece.
#include "support/byte_search.hpp"
#include "writer/writer.hpp"

namespace xmlslice::detail {

namespace {

// Byte classes; PLAIN bytes are copied, END stops, the rest are replaced.
enum : unsigned char { PLAIN, END, AMP, LT, GT, CR, QUOT, LF, TAB, VT, FF };

struct Replacement {
    const char* text;
    std::size_t length;
};
constexpr Replacement replacements[] = {
    {"", 0},       {"", 0},      {"&amp;", 5}, {"&lt;", 4},  {"&gt;", 4},  {"&#xD;", 5},
    {"&quot;", 6}, {"&#xA;", 5}, {"&#x9;", 5}, {"&#xB;", 5}, {"&#xC;", 5},
};

struct ByteClasses {
    unsigned char of[256];
    constexpr explicit ByteClasses(bool attribute) : of() {
        of[0] = END;
        mark('&', AMP);
        mark('<', LT);
        mark('>', GT);
        mark('\r', CR);
        if (!attribute) return;
        mark('"', QUOT);
        mark('\n', LF);
        mark('\t', TAB);
        // Read back, a raw VT or FF in a value would become a space.
        mark('\v', VT);
        mark('\f', FF);
    }
    constexpr void mark(char byte, unsigned char byte_class) {
        of[static_cast<unsigned char>(byte)] = byte_class;
    }
};
constexpr ByteClasses content_classes(false);
constexpr ByteClasses attribute_classes(true);

// The first byte of the `count` from `at` on (UP_TO_NUL: to the NUL) that
// the mode replaces or that ends the text; at + count when none does.
[[gnu::noinline]] const char* find_special(const char* at, std::size_t count, Escape mode) {
#ifdef XMLSLICE_SSE2
    auto content = [](__m128i x) {
        return _mm_or_si128(
            _mm_or_si128(equal_to(x, '\0'), equal_to(x, '&')),
            _mm_or_si128(_mm_or_si128(equal_to(x, '<'), equal_to(x, '>')), equal_to(x, '\r')));
    };
    auto attribute = [](__m128i x) {
        return _mm_or_si128(_mm_or_si128(_mm_or_si128(equal_to(x, '\0'), equal_to(x, '&')),
                                         _mm_or_si128(equal_to(x, '<'), equal_to(x, '>'))),
                            _mm_or_si128(equal_to(x, '"'), control_space(x)));
    };
    return at + (mode == Escape::content ? find_first_within(at, count, content)
                                         : find_first_within(at, count, attribute));
#else
    const unsigned char* classes =
        mode == Escape::attribute ? attribute_classes.of : content_classes.of;
    std::size_t taken = 0;
    while (taken < count && !classes[static_cast<unsigned char>(at[taken])]) ++taken;
    return at + taken;
#endif
}

}  // namespace

std::size_t copy_plain_value(const char* value, char* to) {
    std::size_t plain = 0;
    for (; plain < SHORT_VALUE && !attribute_classes.of[static_cast<unsigned char>(value[plain])];
         ++plain)
        to[plain] = value[plain];
    return plain;
}

std::size_t escape_text(const char* text, std::size_t count, OutputBuffer& out, Escape mode) {
    const unsigned char* classes =
        mode == Escape::attribute ? attribute_classes.of : content_classes.of;
    std::size_t taken = 0;
    for (;;) {
        // Without a count the text ends at its NUL.
        std::size_t left = count == UP_TO_NUL ? UP_TO_NUL : count - taken;
        const char* at = text + taken;
        const char* stop = find_special(at, left, mode);
        // Room for the run, the longest replacement and the NUL that ends the output.
        if (!out.reserve(static_cast<std::size_t>(stop - at) + 7)) return taken;
        out.put(at, stop - at);
        taken += stop - at;
        if (taken == count || !*stop) return taken;
        const Replacement& replacement = replacements[classes[static_cast<unsigned char>(*stop)]];
        out.put(replacement.text, replacement.length);
        ++taken;
    }
}

}  // namespace xmlslice::detail
