// Inputs built to hurt: extreme shapes, every prefix and every NUL position
// of a rich document, references beyond the code space, malformed UTF-16,
// and written text that must parse back into the same text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <random>
#include <string>

#include "parse_support.hpp"
#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using namespace xmlslice::test_support;

namespace {

// Every construct the parser knows, ending in '>'.
const std::string rich =
    "<?xml version='1.0' standalone='yes'?>\n"
    "<!DOCTYPE r [\n"
    " <!ENTITY % p 'pp'> <!ENTITY e 'v &#38; %p;'> <!ENTITY f '&e;&lt;'>\n"
    " %p; <!ATTLIST r id ID #IMPLIED lang CDATA 'en' k (a|b) 'a'>\n"
    " <!-- <!ENTITY hidden 'x'> --> <?in subset?>\n"
    "]>\n"
    "<?pi before?>\n"
    "<r id=' x  y ' z=\"&f;\" bare w=u>t&e;&#233;\xF0\x9F\x98\x80&no;<![CDATA[<&>]]>"
    "<c a='1'>in<d/></c>\r\n<!-- c --><?pi in?>&amp;<e\n x = '2'/></r>\n"
    "<?pi after?>";

// UTF-8 to UTF-16 code units, for well-formed input.
std::u16string widen(const std::string& utf8) {
    std::u16string units;
    for (std::size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        char32_t c = extra ? lead & (0x3F >> extra) : lead;
        for (int k = 1; k <= extra; ++k) c = c << 6 | (utf8[i + k] & 0x3F);
        i += extra + 1;
        if (c >= 0x10000) {
            units += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + (c & 0x3FF);
        }
        units += static_cast<char16_t>(c);
    }
    return units;
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string result;
    result.reserve(piece.size() * times);
    while (times--) result += piece;
    return result;
}

// The error and the written text; the links must hold whatever the input.
std::string outcome(const std::string& input) {
    Parsed p(input);
    EXPECT_EQ(tree_violation(p.root), "");
    EXPECT_EQ(lookup_violation(p.root), "");
    if (p.error().empty()) {
        EXPECT_EQ(p.doc()->current_element, nullptr);
    }
    return p.error() + "|" + written(p.root);
}

}  // namespace

TEST(HostileShapes, MillionLevelsWrittenBackAsTheyCame) {
    const std::size_t depth = 1000000;
    const std::string document = repeat("<a>", depth) + repeat("</a>", depth);
    Parsed p(document);
    ASSERT_EQ(p.error(), "");
    EXPECT_EQ(written(p.root), document);
    std::size_t levels = 1;
    XmlElement* innermost = p.root;
    for (; innermost->first_child; ++levels) innermost = innermost->first_child;
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(written(innermost), "<a></a>");

    Parsed unclosed(repeat("<a>", depth));
    EXPECT_EQ(unclosed.error(), error_at(1, "unclosed tag <a>"));
    EXPECT_EQ(written(unclosed.root), document);
}

TEST(HostileShapes, MillionChildrenWrittenBack) {
    const std::size_t children = 1000000;
    Parsed p("<r>" + repeat("<a/>", children) + "</r>");
    ASSERT_EQ(p.error(), "");
    EXPECT_EQ(written(p.root), "<r>" + repeat("<a></a>", children) + "</r>");
    EXPECT_NE(element_nth_same_name(p.child("a"), children - 1), nullptr);
}

TEST(HostileReferences, ValuesBeyondTheCodeSpaceStayAsWritten) {
    const std::string kept[] = {
        "&#2147483648;",
        "&#x80000000;",
        "&#-2147483648;",
        "&#" + std::string(10000, '9') + ";",
        "&#x" + std::string(10000, 'f') + ";",
        "&#4294967361;",
    };
    for (const std::string& reference : kept) {
        SCOPED_TRACE(reference.substr(0, 20));
        Parsed p("<r a='" + reference + "'>" + reference + "</r>");
        EXPECT_EQ(p.error(), "");
        EXPECT_EQ(p.root->text, reference);
        EXPECT_EQ(attributes_of(p.root), (Pairs{{"a", reference}}));
    }
    Parsed zeros("<r>&#" + std::string(10000, '0') + "65;&#2147483647;</r>");
    EXPECT_STREQ(zeros.root->text, "A&#2147483647;");
}

// A stored name, target or attribute name shorter than the wanted key is
// read only up to its own end, even at the very end of the buffer.
TEST(HostileQueries, KeysLongerThanAnyStoredOneReadNothingBeyondIt) {
    Parsed tiny("<?A[.?>");
    EXPECT_EQ(*document_instructions(tiny.root, "\x01no-such-target"), nullptr);
    const std::string b(22, 'b');
    const std::string documents[] = {
        rich,
        "<!DOCTYPE r [<!ATTLIST a x CDATA 'v' yyyyyyyyyyyyyyyyy CDATA 'w'>"
        "<!ATTLIST " +
            b +
            " z CDATA 'u'>]><?A?><?abcdefghijklmnopq x?>"
            "<r><a/><" +
            b + " q='1'/><" + b + "b/><" + b.substr(0, 9) + "/></r><?A?>",
    };
    for (const std::string& document : documents) {
        Parsed p(document);
        EXPECT_EQ(p.error(), "");
        EXPECT_EQ(lookup_violation(p.root), "");
    }
}

// Random documents in every encoding the parser reads, with character
// references to values of every kind: whatever the parse gives, every
// string in the tree is valid UTF-8.
TEST(HostileEncodings, ValidInputGivesValidUtf8Everywhere) {
    std::mt19937 random(24);
    auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(random() % n); };
    const std::int64_t references[] = {0,      -1,         -191,       65,        0xD7FF,
                                       0xD800, 0xDFFF,     0xE000,     0x10FFFF,  0x110000,
                                       -256,   0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    for (int round = 0; round < 3000; ++round) {
        int encoding = static_cast<int>(below(5));  // UTF-8, UTF-16 LE, BE, latin1, windows-1252
        bool single_byte = encoding >= 3;
        auto character = [&]() -> std::string {
            if (single_byte) return std::string(1, static_cast<char>(0x80 + below(128)));
            char32_t c = below(4) ? 0x80 + below(0x800) : 0x800 + below(0x10F800);
            if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
            std::string out;
            if (c < 0x800) return out + char(0xC0 | c >> 6) + char(0x80 | (c & 0x3F));
            if (c < 0x10000)
                return out + char(0xE0 | c >> 12) + char(0x80 | (c >> 6 & 0x3F)) +
                       char(0x80 | (c & 0x3F));
            return out + char(0xF0 | c >> 18) + char(0x80 | (c >> 12 & 0x3F)) +
                   char(0x80 | (c >> 6 & 0x3F)) + char(0x80 | (c & 0x3F));
        };
        auto piece = [&](bool in_entity) -> std::string {
            switch (below(6)) {
                case 0: {
                    std::int64_t value = references[below(std::size(references))];
                    bool hex = below(2) && value >= 0;
                    char number[32];
                    std::snprintf(number, sizeof number, hex ? "&#x%llX;" : "&#%lld;",
                                  static_cast<long long>(value));
                    return number;
                }
                case 1:
                    return below(2) && !in_entity ? "&e;" : "&amp;";
                case 2:
                    return "w";
                default:
                    return character();
            }
        };
        auto run = [&](bool in_entity = false) {
            std::string text;
            for (std::uint32_t k = below(6); k; --k) text += piece(in_entity);
            return text;
        };
        const std::string name = "r" + character();
        std::string body = "<!DOCTYPE r [<!ENTITY e '" + run(true) + "'><!ATTLIST " + name +
                           " d CDATA '" + run() + "'>]><" + name + " a='" + run() + "'>" + run() +
                           "<![CDATA[" + character() + "]]><?p" + character() + " " + run() + "?>" +
                           run() + "</" + name + ">";
        std::string input;
        if (encoding == 1 || encoding == 2) input = utf16(widen(body), encoding == 2);
        if (encoding == 0) input = body;
        if (single_byte)
            input = std::string("<?xml version='1.0' encoding='") +
                    (encoding == 3 ? "ISO-8859-1" : "windows-1252") + "'?>" + body;
        Parsed p(input);
        ASSERT_EQ(invalid_utf8_string(p.root), "") << input;
        ASSERT_EQ(p.error(), "") << input;
    }
}

TEST(HostileUtf16, LoneSurrogatesTakeTheNextUnit) {
    Parsed high(utf16(u"<a>\xD800x</a>", false));
    EXPECT_EQ(high.error(), "");
    EXPECT_STREQ(high.root->text, "\xF0\x90\x81\xB8");
    // A lone low surrogate swallows the '<' of the end tag.
    Parsed low(utf16(u"<a>y\xDC00</a>", true));
    EXPECT_EQ(low.error(), error_at(1, "unclosed tag <a>"));
}

// Prefixes cut tags, references, multi-byte characters, UTF-16 units and
// surrogate pairs anywhere; each gives an error or a finished tree.
TEST(HostileCuts, EveryPrefixParsesAndWrites) {
    const std::string documents[] = {rich, utf16(widen(rich), false), utf16(widen(rich), true)};
    for (const std::string& document : documents) {
        EXPECT_EQ(outcome(document).front(), '|');  // whole: no error
        for (std::size_t length = 0; length < document.size(); ++length) {
            SCOPED_TRACE(length);
            outcome(document.substr(0, length));
        }
    }
}

// A NUL ends the text where it stands, just as the end of a shorter input
// does whose final byte is the same '>'.
TEST(HostileCuts, NulAnywhereEndsTheText) {
    for (std::size_t at = 0; at + 1 < rich.size(); ++at) {
        SCOPED_TRACE(at);
        std::string cut = rich;
        cut[at] = '\0';
        EXPECT_EQ(outcome(cut), outcome(rich.substr(0, at) + ">"));
    }
}

TEST(RoundTrip, WrittenTextIsAFixedPoint) {
    const std::string documents[] = {
        rich,
        utf16(widen(rich), true),
        "<a v='&#9;&#10;&#11;&#12;&#13; &#32;'>&#9;&#10;&#11;&#12;&#13;&#-246;&#-1;</a>",
        "<?b 0?><r><?a 1?></r><?b 2?><?a?><?"
        "?>",
        "<!DOCTYPE r [<!ATTLIST e t NMTOKENS ' x  y ' c CDATA ' x '>]><r><e/><e t='p'/></r>",
        "<r\v><a<b/><c x\"y='1' 'q'=\"2\" ='3' d d='4'/></r\v>",
    };
    for (const std::string& document : documents) {
        SCOPED_TRACE(document);
        Parsed first(document);
        ASSERT_EQ(first.error(), "");
        std::string once = written(first.root);
        Parsed second(once);
        ASSERT_EQ(second.error(), "");
        EXPECT_EQ(written(second.root), once);
    }
}

// Read back, a raw VT or FF in an attribute value would turn into a space.
TEST(RoundTrip, VerticalTabAndFormFeedInValuesAreEscaped) {
    Parsed p("<a v='&#11;&#12;'>&#11;&#12;</a>");
    EXPECT_EQ(written(p.root), "<a v=\"&#xB;&#xC;\">\v\f</a>");
}

// Declared attribute names run to space, tab, LF or CR, so they may hold
// '=', '/' or '>' or start with VT or FF, none of which a start tag keeps in
// an attribute name: written out, such a default is read back under another
// name. No escaping exists for names; left for a decision on what the
// subset reader should accept.
TEST(RoundTrip, DISABLED_DeclaredNamesAreReadBackAsThemselves) {
    Parsed first("<!DOCTYPE r [<!ATTLIST r a= CDATA 'v' \vb CDATA 'w'>]><r/>");
    std::string once = written(first.root);
    EXPECT_EQ(once, "<r a==\"v\" \vb=\"w\"></r>");
    Parsed second(once);
    EXPECT_EQ(attributes_of(second.root), (Pairs{{"a=", "v"}, {"\vb", "w"}}));
}

// Each entity refers to every one declared before it, so each expands to
// twice the one before. Checking a declaration walks what its value reaches;
// that work is bounded like expansion, so the subset stops instead of
// taking time that grows faster than the input.
TEST(HostileEntities, DenselyReferringDeclarationsStopAtTheBound) {
    std::string subset = "<!DOCTYPE r [<!ENTITY e0 'x'>";
    std::string references;
    for (int i = 1; i < 800; ++i) {
        references += "&e" + std::to_string(i - 1) + ";";
        subset += "<!ENTITY e" + std::to_string(i) + " '" + references + "'>";
    }
    Parsed p(subset + "]><r/>");
    EXPECT_NE(p.error().find("entity expansion too large"), std::string::npos) << p.error();
}

// Names holding a ';' before their end cannot be hashed by the text up to
// the first ';' and are compared one by one; the bytes compared are bounded
// like expansion.
TEST(HostileEntities, ManyNamesWithInnerSemicolonsStopAtTheBound) {
    const std::string prefix(100, 'a');
    std::string document = "<!DOCTYPE r [";
    for (int i = 0; i < 8000; ++i)
        document += "<!ENTITY " + prefix + ";" + std::to_string(i) + " 'v'>";
    document += "]><r>" + repeat("&" + prefix + ";x;", 8000) + "</r>";
    Parsed p(document);
    EXPECT_NE(p.error().find("entity expansion too large"), std::string::npos) << p.error();
}
