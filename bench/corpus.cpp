#include "corpus.hpp"

#include <cstdint>

namespace bench {

namespace {

struct Random {
    std::uint64_t state = 0x9e3779b97f4a7c15ULL;
    std::uint64_t next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    }
    std::size_t below(std::size_t n) { return next() % n; }
};

const char* const words[] = {"alpha", "bravo", "charlie", "delta", "echo",   "foxtrot", "golf",
                             "hotel", "india", "juliet",  "kilo",  "lima",   "mike",    "november",
                             "oscar", "papa",  "quebec",  "romeo", "sierra", "tango"};
constexpr std::size_t word_count = sizeof words / sizeof *words;

// `open`, then pieces numbered 0, 1, ... until the text reaches `bytes`, then `close`.
template <class Piece>
std::string fill(const char* open, const char* close, std::size_t bytes, Piece piece) {
    std::string out = open;
    for (std::size_t i = 0; out.size() < bytes; ++i) piece(out, i);
    return out + close;
}

std::string same_name_siblings(std::size_t bytes) {
    return fill("<r>", "</r>", bytes,
                [](std::string& out, std::size_t) { out += "<item>x</item>\n"; });
}

std::string distinct_sibling_names(std::size_t bytes) {
    return fill("<r>", "</r>", bytes, [](std::string& out, std::size_t i) {
        const std::string name = "n" + std::to_string(i);
        out += "<" + name + ">x</" + name + ">\n";
    });
}

std::string alternating_names(std::size_t bytes) {
    return fill("<r>", "</r>", bytes,
                [](std::string& out, std::size_t) { out += "<a>x</a><b>y</b>\n"; });
}

std::string many_attributes(std::size_t bytes) {
    return fill("<r", "/>", bytes, [](std::string& out, std::size_t i) {
        out += " a" + std::to_string(i) + "=\"v\"";
    });
}

std::string long_mixed_content(std::size_t bytes) {
    return fill("<r>", "</r>", bytes, [](std::string& out, std::size_t) {
        out += "some words &amp; <b>bold</b> more words ";
    });
}

std::string deep_nesting(std::size_t bytes) {
    const std::size_t depth = bytes / 7;
    std::string out;
    for (std::size_t i = 0; i < depth; ++i) out += "<d>";
    out += "x";
    for (std::size_t i = 0; i < depth; ++i) out += "</d>";
    return out;
}

// About 20,000 comments at the smallest scale: a scanner that searched the
// rest of the text for each comment's end would be quadratic (an ASan-built
// host makes every strstr measure it).
std::string many_comments(std::size_t bytes) {
    return fill("<r>", "</r>", bytes, [](std::string& out, std::size_t i) {
        out += "<!-- comment " + std::to_string(i) + ", a line of words about nothing -->x\n";
    });
}

// One element type with many declared defaults, written eight times: a
// writer that walked the declaration list per default would be quadratic.
std::string declared_defaults(std::size_t bytes) {
    return fill(
        "<!DOCTYPE r [<!ATTLIST e", "\n>]><r><e/><e/><e/><e/><e/><e/><e/><e/></r>", bytes,
        [](std::string& out, std::size_t i) { out += "\n a" + std::to_string(i) + " CDATA 'v'"; });
}

}  // namespace

std::string records_document(std::size_t bytes) {
    Random random;
    const char* open = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dataset>\n";
    return fill(open, "</dataset>\n", bytes, [&](std::string& out, std::size_t id) {
        const char* first = words[random.below(word_count)];
        const char* last = words[random.below(word_count)];
        out += "  <record id=\"" + std::to_string(id) + "\" type=\"customer\" active=\"" +
               (random.below(2) ? "true" : "false") + "\">\n";
        out += std::string("    <name>") + first + " " + last + "</name>\n";
        out += std::string("    <email>") + first + "." + last + std::to_string(id) +
               "@example.com</email>\n";
        out += "    <address city=\"" + std::string(words[random.below(word_count)]) + "\" zip=\"" +
               std::to_string(10000 + random.below(89999)) + "\">" +
               std::to_string(random.below(999)) + " Main Street</address>\n";
        out += "    <balance currency=\"EUR\">" + std::to_string(random.below(100000)) + "." +
               std::to_string(random.below(100)) + "</balance>\n";
        out += "  </record>\n";
    });
}

std::string text_document(std::size_t bytes) {
    Random random;
    const char* const references[] = {"&amp;",  "&lt;",     "&gt;",   "&quot;",
                                      "&#169;", "&#x20AC;", "&#233;", "&apos;"};
    return fill("<book>\n", "</book>\n", bytes, [&](std::string& out, std::size_t) {
        out += "<p>";
        for (int w = 0; w < 60; ++w) {
            out += words[random.below(word_count)];
            out += random.below(8) == 0 ? references[random.below(8)] : " ";
        }
        out += "</p>\n";
    });
}

std::string attribute_document(std::size_t bytes) {
    Random random;
    return fill("<items>\n", "</items>\n", bytes, [&](std::string& out, std::size_t id) {
        out += "<item id=\"" + std::to_string(id) + "\"";
        for (int a = 0; a < 12; ++a)
            out += " k" + std::to_string(a) + "=\"" + words[random.below(word_count)] + "\"";
        out += "/>\n";
    });
}

const char* generated_name(int kind) {
    static const char* const names[generated_count] = {"records", "text", "attributes"};
    return names[kind];
}

const std::string& generated_document(int kind) {
    constexpr std::size_t records_bytes = 50u << 20;
    static const std::string documents[generated_count] = {records_document(records_bytes),
                                                           text_document(records_bytes / 2),
                                                           attribute_document(records_bytes / 2)};
    return documents[kind];
}

const Shape adversarial_shapes[8] = {
    {"same-name siblings", same_name_siblings}, {"distinct sibling names", distinct_sibling_names},
    {"alternating names", alternating_names},   {"many attributes", many_attributes},
    {"long mixed content", long_mixed_content}, {"deep nesting", deep_nesting},
    {"many comments", many_comments},           {"written defaults", declared_defaults, true}};

}  // namespace bench
