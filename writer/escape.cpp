// Escaping of content and attribute values. Runs of bytes that need no
// replacement are found with a class table and copied in one piece.
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

// Room tested before each source byte: more than the longest replacement.
constexpr std::size_t BYTE_HEADROOM = 10;

// Length of the leading run of PLAIN bytes, at most limit. Never reads past
// the first non-PLAIN byte, so it stops at the NUL.
std::size_t plain_run(const unsigned char* bytes, std::size_t limit, const unsigned char* classes) {
    std::size_t n = 0;
    while (limit - n >= 4 && !classes[bytes[n]] && !classes[bytes[n + 1]] &&
           !classes[bytes[n + 2]] && !classes[bytes[n + 3]])
        n += 4;
    while (n < limit && !classes[bytes[n]]) ++n;
    return n;
}

}  // namespace

std::size_t escape_text(const char* text, std::size_t count, OutputBuffer& out, Escape mode) {
    const unsigned char* classes =
        mode == Escape::attribute ? attribute_classes.of : content_classes.of;
    const auto* source = reinterpret_cast<const unsigned char*>(text);
    std::size_t taken = 0;
    while (taken < count) {
        std::size_t run = plain_run(source + taken, count - taken, classes);
        bool count_used_up = run == count - taken;
        // The last per-byte test of this stretch falls on the byte after
        // the run, or on the run's own last byte when the count ends it.
        if (!out.reserve(run + BYTE_HEADROOM - (count_used_up ? 1 : 0))) return taken;
        out.put(text + taken, run);
        taken += run;
        if (count_used_up) break;
        unsigned char byte_class = classes[source[taken]];
        if (byte_class == END) break;
        out.put(replacements[byte_class].text, replacements[byte_class].length);
        ++taken;
    }
    return taken;
}

char* escape_append(const char* text, std::size_t count, OutputBuffer& out, Escape mode) {
    escape_text(text, count, out, mode);
    return out.storage;
}

}  // namespace xmlslice::detail
