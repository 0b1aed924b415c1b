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

}  // namespace

std::string records_document(std::size_t bytes) {
    Random random;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dataset>\n";
    for (std::size_t id = 0; out.size() < bytes; ++id) {
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
    }
    return out + "</dataset>\n";
}

std::string text_document(std::size_t bytes) {
    Random random;
    const char* const references[] = {"&amp;",  "&lt;",     "&gt;",   "&quot;",
                                      "&#169;", "&#x20AC;", "&#233;", "&apos;"};
    std::string out = "<book>\n";
    while (out.size() < bytes) {
        out += "<p>";
        for (int w = 0; w < 60; ++w) {
            out += words[random.below(word_count)];
            out += random.below(8) == 0 ? references[random.below(8)] : " ";
        }
        out += "</p>\n";
    }
    return out + "</book>\n";
}

std::string attribute_document(std::size_t bytes) {
    Random random;
    std::string out = "<items>\n";
    for (std::size_t id = 0; out.size() < bytes; ++id) {
        out += "<item id=\"" + std::to_string(id) + "\"";
        for (int a = 0; a < 12; ++a)
            out += " k" + std::to_string(a) + "=\"" + words[random.below(word_count)] + "\"";
        out += "/>\n";
    }
    return out + "</items>\n";
}

}  // namespace bench
