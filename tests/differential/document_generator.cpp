#include "document_generator.hpp"

#include <vector>

namespace differential {
namespace {

// Values are chosen to make comparisons interesting: numbers with and
// without spaces and signs, words, a two-byte character. None has an 'e'
// after digits, which libxml2 would read as an exponent.
const char* random_value(RandomSource& random) {
    return random.pick({"1",   "2", "3", "10",  " 4 ",      "-1", "2.5", ".5", "0",     "ab", "b",
                        "x y", "A", "",  "NaN", "\xc3\xa4", "i1", "i2",  "i3", "i1 i2", "zz"});
}

// One piece of character data, written as it appears in the source; the
// declared entities only where the subset declares them.
std::string random_text_piece(RandomSource& random, bool declared) {
    switch (random.below(8)) {
        case 0:
            return random.pick({"&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#xE4;"});
        case 1:
            return declared ? random.pick({"&t1;", "&t2;", "&t3;"}) : "&#x32;";
        case 2:
            return std::string("<![CDATA[") + random.pick({"1", "<b>", "x&amp;", " "}) + "]]>";
        case 3:
            return random.pick({" ", "\n  ", "\t"});
        default:
            return random_value(random);
    }
}

std::string random_text(RandomSource& random, bool declared) {
    std::string text;
    for (std::size_t n = 1 + random.below(3); n > 0; --n)
        text += random_text_piece(random, declared);
    return text;
}

const char* subset =
    "<!DOCTYPE r [\n"
    "<!ENTITY t1 'ab'>\n"
    "<!ENTITY t2 '2'>\n"
    "<!ENTITY t3 'x&#38;amp;&t1;'>\n"
    "<!ATTLIST a x CDATA '1'>\n"
    "<!ATTLIST b y CDATA 'yd' z CDATA #IMPLIED>\n"
    "<!ATTLIST c x CDATA #FIXED '2' w CDATA 'i2'>\n"
    "<!ATTLIST d id ID #IMPLIED>\n"
    "]>\n";

class Builder {
  public:
    explicit Builder(RandomSource& random) : random_(random) {}

    std::string document() {
        with_subset_ = random_.chance(70);
        std::string text = with_subset_ ? subset : "";
        text += "<r";
        prefixes_ = random_.chance(60);
        if (prefixes_) text += " xmlns:p='urn:p' xmlns:s='urn:p'";
        attributes(text);
        text += ">";
        content(text, 1);
        return text + "</r>";
    }

  private:
    void attributes(std::string& text) {
        std::vector<const char*> used;
        for (std::size_t n = random_.below(4); n > 0; --n) {
            const char* name = random_.pick({"x", "y", "z", "id", "w", "xml:lang", "p:x"});
            if (!prefixes_ && std::string(name) == "p:x") continue;
            bool repeated = false;
            for (const char* other : used) repeated = repeated || std::string(other) == name;
            if (repeated) continue;
            used.push_back(name);
            // libxml2 stops finding IDs after an empty one, so ids are names.
            const char* value =
                std::string(name) == "xml:lang" ? random_.pick({"en", "en-GB", "EN-us", "fr", "de"})
                : std::string(name) == "id"     ? random_.pick({"i1", "i2", "i3", "b", "A"})
                                                : random_value(random_);
            text += std::string(" ") + name + "='" + value + "'";
        }
    }

    void content(std::string& text, int depth) {
        std::size_t children = depth >= 5 || elements_ > 40 ? 0 : random_.below(5);
        for (std::size_t n = 0; n <= children; ++n) {
            if (random_.chance(55)) text += random_text(random_, with_subset_);
            if (n < children) element(text, depth);
        }
    }

    void element(std::string& text, int depth) {
        ++elements_;
        const char* name = prefixes_
                               ? random_.pick({"a", "b", "c", "d", "a", "b", "p:a", "s:b", "p:c"})
                               : random_.pick({"a", "b", "c", "d"});
        text += std::string("<") + name;
        if (prefixes_ && random_.chance(5)) text += " xmlns:p='urn:o'";
        attributes(text);
        if (random_.chance(15)) {
            text += "/>";
            return;
        }
        text += ">";
        content(text, depth + 1);
        text += std::string("</") + name + ">";
    }

    RandomSource& random_;
    int elements_ = 0;
    bool prefixes_ = false;  // the root declares p and s
    bool with_subset_ = false;
};

}  // namespace

std::string random_document(RandomSource& random) {
    return Builder(random).document();
}

}  // namespace differential
