#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "parse_support.hpp"
#include "parser/entity_set.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using namespace xmlslice::test_support;

namespace {

// The entities a document declared, after the five predefined ones.
Pairs declared_entities(const Parsed& p) {
    Pairs all = pairs_of(p.doc()->entities);
    return Pairs(all.begin() + 5, all.end());
}

using Strings = std::vector<std::string>;

std::vector<std::string> slots_of(char** list, int count) {
    Strings slots;
    for (int i = 0; i < count; ++i) slots.push_back(list[i] ? list[i] : "(null)");
    return slots;
}

std::string text_of(const std::string& document) {
    Parsed p(document);
    EXPECT_EQ(p.error(), "") << document;
    return p.root->text;
}

TEST(DtdEntities, TableContents) {
    Parsed p(
        "<!DOCTYPE r [<!ENTITY e 'x&#38;y'><!ENTITY a '&#38;lt;'><!ENTITY lt 'X'>"
        "<!ENTITY e 'second'><!ENTITY x SYSTEM 'x.ent'><!ENTITY z\t\"Z's\">]>"
        "<r>&e;|&a;|&lt;|&x;|&z;</r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(pairs_of(p.doc()->entities).size(), 10u);
    EXPECT_EQ(
        declared_entities(p),
        (Pairs{{"e;", "x&y"}, {"a;", "&lt;"}, {"lt;", "X"}, {"e;", "second"}, {"z;", "Z's"}}));
    for (char** pair = p.doc()->entities + 10; *pair; pair += 2) {
        EXPECT_TRUE(p.in_text(pair[0]));
        EXPECT_TRUE(p.in_text(pair[1]));
    }
    EXPECT_STREQ(p.root->text, "x&y|<|<|&x;|Z's");
}

TEST(DtdEntities, NamesCloseToThePredefinedOnes) {
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY ltx 'L'><!ENTITY am 'M'><!ENTITY ap 'P'>"
                      "<!ENTITY a 'A'><!ENTITY q 'Q'>]>"
                      "<r>&ltx;&am;&ap;&a;&q;&lt;&gt;&quot;&apos;&amp;&l&amp&apos</r>"),
              "LMPAQ<>\"'&&l&amp&apos");
    EXPECT_EQ(text_of("<r>&lt;&g;&qu;&ampx;&a;&</r>"), "<&g;&qu;&ampx;&a;&");
    // A parameter table that happens to begin with the same names.
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY % lt 'a'><!ENTITY % gt 'b'><!ENTITY % quot 'c'>"
                      "<!ENTITY % apos 'd'><!ENTITY % amp 'e'><!ENTITY % ampx 'f'>"
                      "<!ENTITY v '%amp;%ampx;%apos;%lt;%l'>]><r>&v;</r>"),
              "efda%l");
}

TEST(DtdEntities, ParameterEntities) {
    Parsed p(
        "<!DOCTYPE r [<!ENTITY % p 'abcdef'> <!ENTITY e '[%p;]'><!ENTITY % q '%p;%p;'>"
        "<!ENTITY f '%q;'><!ENTITY %r 'R'><!ENTITY g '%r;&e;'>]><r>&e;&p;&f;&g;</r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(declared_entities(p),
              (Pairs{{"e;", "[abcdef]"}, {"f;", "abcdefabcdef"}, {"g;", "R&e;"}}));
    EXPECT_FALSE(p.in_text(p.doc()->entities[11]));
    EXPECT_STREQ(p.root->text, "[abcdef]&p;abcdefabcdefR[abcdef]");

    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY e 'abc]><r>&e;</r>"), "abc");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY % p 'see &p;'><!ENTITY e '%p;'>]><r>&e;</r>"),
              "see &p;");
}

TEST(DtdEntities, ReferencesReadOnPastAnInsertedValue) {
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY e '&l'>]><r>&e;t;</r>"), "<");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY e 'xxxxx&l'>]><r>&e;t;</r>"), "xxxxx<");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY e '&#38;#6'>]><r>&e;5;</r>"), "A");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY x '&x'>]><r>&x;;;</r>"), "&x");
    // A parameter reference left in a value is expanded once it is declared.
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY % p '%q;'><!ENTITY % q 'Q'><!ENTITY e '%p;'>]>"
                      "<r>&e;</r>"),
              "Q");
    // A name runs to white space, quotes and '>' included.
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY e'v'> <!ENTITY f 'w'>]><r>&f;</r>"), "&f;");
}

TEST(DtdEntities, ParameterReferenceBetweenDeclarations) {
    const std::string subset = "<!DOCTYPE r [<!ENTITY a 'A'> %ext; <!ENTITY b 'B'>]><r>&a;&b;</r>";
    EXPECT_EQ(text_of(subset), "A&b;");
    EXPECT_EQ(text_of("<?xml version='1.0' standalone='yes'?>" + subset), "AB");
    EXPECT_EQ(text_of("<!DOCTYPE r [<?xml standalone='yes'?>%ext;<!ENTITY b 'B'>]><r>&b;</r>"),
              "B");
}

TEST(DtdSubset, PassedOverAndRecorded) {
    Parsed p(
        "<!DOCTYPE r [<!ELEMENT r (#PCDATA)><!NOTATION n SYSTEM 'n'>"
        "<!-- <!ENTITY c 'C'> --><?pi a>b?><!ENTITY d 'D'>]><r>&c;&d;</r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_STREQ(p.root->text, "&c;D");
    char** pi = document_instructions(p.root, "pi");
    EXPECT_STREQ(pi[0], "a>b");
    EXPECT_EQ(pi[1], nullptr);
    EXPECT_STREQ(pi[2], "<");
}

TEST(DtdSubset, StopsWithoutMessage) {
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY a 'A'><!-- open <!ENTITY b 'B'>]><r>&a;&b;</r>"),
              "A&b;");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY a 'A'><? open <!ENTITY b 'B'>]><r>&a;&b;</r>"),
              "A&b;");
    EXPECT_EQ(text_of("<!DOCTYPE r [<!ENTITY a 'A'><!ELEMENT r]><r>&a;</r>"), "A");
}

TEST(DtdAttributes, DefaultTable) {
    Parsed p(
        "<!DOCTYPE e [<!ATTLIST e a CDATA '1' b (x|y) 'x' c ID #IMPLIED d CDATA #REQUIRED>]>"
        "<e/>");
    EXPECT_EQ(p.error(), "");
    AttributeDefaultTable table = p.doc()->attribute_defaults;
    ASSERT_FALSE(is_empty_list(table));
    EXPECT_EQ(table[1], nullptr);
    char** list = table[0];
    EXPECT_EQ(slots_of(list, 11),
              (Strings{"e", "a", "1", " ", "b", "x", "*", "c", "(null)", "*", "(null)"}));
    EXPECT_EQ(list[6], list[9]);  // markers are static strings
    EXPECT_FALSE(p.in_text(list[3]));
    EXPECT_TRUE(p.in_text(list[0]) && p.in_text(list[1]) && p.in_text(list[2]));

    Parsed merged(
        "<!DOCTYPE x [<!ATTLIST x a CDATA #FIXED 'v'><!ATTLIST y b NOTATION (n1|n2) 'n1'>"
        "<!ATTLIST x c CDATAX 'w' d ENTITY #REQUIRED><!ATTLIST z><!ATTLIST q >"
        "<!ATTLIST x a (p|q) ) 'q'>]><x/>");
    EXPECT_EQ(merged.error(), "");
    table = merged.doc()->attribute_defaults;
    ASSERT_FALSE(is_empty_list(table));
    ASSERT_NE(table[0], nullptr);
    ASSERT_NE(table[1], nullptr);
    EXPECT_EQ(table[2], nullptr);
    EXPECT_EQ(slots_of(table[0], 14), (Strings{"x", "a", "v", " ", "c", "w", " ", "d", "(null)",
                                               "*", "a", "q", "*", "(null)"}));
    EXPECT_STREQ(element_attribute_value(merged.root, "a"), "v");
    EXPECT_EQ(slots_of(table[1], 5), (Strings{"y", "b", "n1", "*", "(null)"}));

    Parsed unclosed("<!DOCTYPE e [<!ATTLIST e a CDATA '1']><e/>");
    EXPECT_EQ(unclosed.error(), "");
    EXPECT_STREQ(element_attribute_value(unclosed.root, "a"), "1");

    Parsed nothing_stored("<!DOCTYPE e [<!ATTLIST e a CDATA #IMPLIED b CDATA #REQUIRED>]><e/>");
    EXPECT_TRUE(is_empty_list(nothing_stored.doc()->attribute_defaults));
}

TEST(DtdAttributes, DefaultsDecodedByType) {
    Parsed p(
        "<!DOCTYPE r [<!ENTITY e 'value'><!ATTLIST r n NMTOKENS ' x  y ' c CDATA ' x\t y\r\n' "
        "h CDATA '&e;!' l CDATA '&lt;&#65;'>]><r/>");
    EXPECT_EQ(p.error(), "");
    EXPECT_STREQ(element_attribute_value(p.root, "n"), "x y");
    EXPECT_STREQ(element_attribute_value(p.root, "c"), " x  y ");
    EXPECT_STREQ(element_attribute_value(p.root, "h"), "value!");
    EXPECT_FALSE(p.in_text(element_attribute_value(p.root, "h")));
    EXPECT_STREQ(element_attribute_value(p.root, "l"), "<A");
}

TEST(DtdAttributes, DeclarationsChooseDecodingMode) {
    Parsed p(
        "<!DOCTYPE a [<!ATTLIST a t NMTOKENS #IMPLIED c CDATA #IMPLIED f CDATA 'd'>"
        "<!ATTLIST a f ID #IMPLIED><!ENTITY e '  long  value  '>]>"
        "<a t='  x  y ' c='  x  y ' u=' x ' f=' p  q ' t=' &e; '><A t=' x '/></a>");
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(
        attributes_of(p.root),
        (Pairs{
            {"t", "x y"}, {"c", "  x  y "}, {"u", " x "}, {"f", " p  q "}, {"t", "long value"}}));
    EXPECT_EQ(attributes_of(p.child("A")), (Pairs{{"t", " x "}}));
    // Declarations take effect where they are read, also inside the root.
    Parsed midway(
        "<r><a x=' 1 '/>&e;<!DOCTYPE r [<!ATTLIST a x ID #IMPLIED><!ENTITY e 'v'>]>"
        "<!DOCTYPE r [<!ATTLIST a y NMTOKEN #IMPLIED>]><a x=' 1 ' y=' 2 '/>&e;</r>");
    EXPECT_EQ(midway.error(), "");
    EXPECT_STREQ(midway.root->text, "&e;v");
    XmlElement* a = midway.child("a");
    EXPECT_EQ(attributes_of(a), (Pairs{{"x", " 1 "}}));
    EXPECT_EQ(attributes_of(a->next_same_name), (Pairs{{"x", "1"}, {"y", "2"}}));
    EXPECT_EQ(midway.doc()->attribute_defaults[1], nullptr);
}

TEST(DtdAttributes, LookupFallsBackOnDefaults) {
    Parsed p(
        "<!DOCTYPE r [<!ATTLIST r d CDATA 'dv' n ID #IMPLIED o CDATA 'od'>]><r o='own'><r/></r>");
    EXPECT_EQ(p.error(), "");
    char** list = p.doc()->attribute_defaults[0];
    EXPECT_STREQ(element_attribute_value(p.root, "o"), "own");
    EXPECT_EQ(element_attribute_value(p.root, "d"), list[2]);
    EXPECT_EQ(element_attribute_value(p.root, "n"), nullptr);
    EXPECT_EQ(element_attribute_value(p.root, "zz"), nullptr);
    EXPECT_STREQ(element_attribute_value(p.child("r"), "o"), "od");
}

TEST(DtdErrors, MessagesAndLines) {
    const ErrorCase cases[] = {
        {"<!DOCTYPE r [\n<!ATTLIST\n\n]><r/>", 4, "unclosed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST]><r/>", 1, "unclosed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e>", 1, "unclosed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e]><r/>", 1, "unclosed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST\ne\na]><r/>", 2, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [\n<!ATTLIST e a (x|y 'x'>]><r/>", 2, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [\n\n<!ATTLIST e a CDATA 'x>]><r/>", 3, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e a CDATA oops>]><r/>", 1, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e a>]><r/>", 1, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e a CDATA>]><r/>", 1, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [<!ATTLIST e a (x|y)>]><r/>", 1, "malformed <!ATTLIST"},
        {"<!DOCTYPE r [\n<!ENTITY a\n\n'&a;'>]><r/>", 4, "circular entity declaration &a;"},
        {"<!DOCTYPE r [<!ENTITY a\r\n'&#10;&a;'>]><r/>", 2, "circular entity declaration &a;"},
        {"<!DOCTYPE r [<!ATTLIST\ne\na\nCDATA '&#10;'\nb\n(x|y 'x'>]><r/>", 2,
         "malformed <!ATTLIST"},
        {"<!DOCTYPE r [<!ENTITY a '&b;'>\n<!ENTITY b 'x&a;'>]><r/>", 2,
         "circular entity declaration &b;"},
        {"<!DOCTYPE r [<!ENTITY % p '%p;'>]><r/>", 1, "circular entity declaration %p;"},
        {"<!DOCTYPE r [<!ENTITY % p '%q;'>\n<!ENTITY % q '%p;'>]><r/>", 2,
         "circular entity declaration %q;"},
        {"<!DOCTYPE r [<!ATTLIST e a CDATA oops><!ENTITY a '&a;'>]><r/>", 1,
         "circular entity declaration &a;"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.input);
        Parsed p(c.input);
        EXPECT_EQ(p.error(), error_at(c.line, c.message));
        EXPECT_EQ(p.root->name, nullptr);
    }
}

TEST(DtdSubset, ManyDeclarations) {
    std::string document = "<!DOCTYPE r [";
    for (int i = 0; i < 20000; ++i) {
        std::string n = std::to_string(i);
        document +=
            "<!ENTITY e" + n + " 'v" + n + "'><!ATTLIST t" + n + " a" + n + " ID 'd" + n + "'>";
    }
    Parsed p(document + "]><r>&e19999;&e0;<t19999 a19999=' x '/></r>");
    ASSERT_EQ(p.error(), "");
    EXPECT_STREQ(p.root->text, "v19999v0");
    EXPECT_TRUE(sized_exactly(p.doc()->entities, (2 * 20005 + 1) * sizeof(char*)));
    EXPECT_TRUE(sized_exactly(p.doc()->attribute_defaults, 20001 * sizeof(char*)));
    EXPECT_STREQ(p.doc()->attribute_defaults[19999][0], "t19999");
    XmlElement* t = p.child("t19999");
    EXPECT_STREQ(element_attribute_value(t, "a19999"), "x");
    EXPECT_EQ(element_attribute_value(t, "a0"), nullptr);
}

TEST(DtdErrors, MalformedDefaultLetsReadingGoOn) {
    Parsed p("<!DOCTYPE r [<!ATTLIST e a CDATA oops b CDATA 'x'><!ENTITY z 'Z'>]><r/>");
    EXPECT_EQ(p.error(), error_at(1, "malformed <!ATTLIST"));
    EXPECT_EQ(declared_entities(p), (Pairs{{"z;", "Z"}}));
    EXPECT_TRUE(is_empty_list(p.doc()->attribute_defaults));
    EXPECT_EQ(p.root->name, nullptr);
}

TEST(DtdErrors, DeclarationsCutOffInTheirName) {
    for (const char* input :
         {"<!DOCTYPE r [<!ENTITY abc]><r>&abc;</r>", "<!DOCTYPE r [<!ENTITY % abc]><r>&abc;</r>",
          "<!DOCTYPE r [<!ENTITY]><r>&abc;</r>", "<!DOCTYPE r [<!ENTITY abc ]><r>&abc;</r>"}) {
        EXPECT_EQ(text_of(input), "&abc;");
    }
    // The subset runs to the very end of the buffer here.
    for (const char* input : {"<!DOCTYPE r [<!ENTITY abc>", "<!DOCTYPE r [<!ENTITY % abc>",
                              "<!DOCTYPE r [<!ENTITY>", "<!DOCTYPE r [<!ENTITY abc \t>"}) {
        SCOPED_TRACE(input);
        Parsed p(input);
        EXPECT_EQ(p.error(), error_at(1, "root tag missing"));
        EXPECT_EQ(declared_entities(p), Pairs{});
    }
}

TEST(Doctype, Walking) {
    const std::pair<const char*, const char*> cases[] = {
        {"<!DOCTYPE r [<!ENTITY e 'x]y'>]><r>&e;</r>", "x]y"},
        {"<!DOCTYPE r [<!ENTITY e 'v'>] \t\r\n><r>&e;</r>", "v"},
        {"<!DOCTYPE r [<!ENTITY e 'v'>] x ]><r>&e;</r>", "v"},
        {"<!DOCTYPE r [<!ENTITY e 'v'>]]><r>&e;</r>", "v"},
        {"<!DOCTYPE r [ [<!ENTITY e 'v'>]><r>&e;</r>", "v"},
        {"<!DOCTYPE r SYSTEM 'a>b'><r>x</r>", "x"},
        {"<!DOCTYPE r ]><r>x</r>", "x"},
        {"<!DOCTYPE r [<!ENTITY e 'v'>]><!DOCTYPE r [<!ENTITY f 'w'>]><r>&e;&f;</r>", "vw"},
        {"<!DOCTYPE r [<!ENTITY e 'v'>] [<!ENTITY f 'w'>]><r>&e;&f;</r>", "vw"},
    };
    for (const auto& [input, text] : cases) EXPECT_EQ(text_of(input), text) << input;

    Parsed after("<r/><!DOCTYPE s [<!ENTITY e 'v'><?pi x?>]>\n");
    EXPECT_EQ(after.error(), "");
    EXPECT_EQ(declared_entities(after), (Pairs{{"e;", "v"}}));
    EXPECT_STREQ(document_instructions(after.root, "pi")[2], ">");
    Parsed bracket_in_identifier("<!DOCTYPE r SYSTEM\n'x[y'>\n<r/>");
    EXPECT_EQ(bracket_in_identifier.error(), error_at(2, "root tag missing"));
    Parsed unclosed("<!DOCTYPE r [<!ENTITY e 'v'>\n");
    EXPECT_EQ(unclosed.error(), error_at(1, "unclosed <!DOCTYPE"));
    EXPECT_EQ(declared_entities(unclosed), Pairs{});
}

// The outcomes libxml2 gives: "]>" in a literal, comment or instruction of
// the subset does not end it.
TEST(Doctype, SubsetEndsPastLiteralsCommentsAndInstructions) {
    const std::pair<const char*, const char*> cases[] = {
        {"<!DOCTYPE r [<!ENTITY e \"x]>y\">]><r>&e;</r>", "x]>y"},
        {"<!DOCTYPE r [<!ENTITY e '\"]>'>]><r>&e;</r>", "\"]>"},
        {"<!DOCTYPE r [<!-- see ]> --><!ENTITY e 'v'>]><r>&e;</r>", "v"},
        {"<!DOCTYPE r [<!-- don't --><!ENTITY e 'v'>]><r>&e;</r>", "v"},
        {"<!DOCTYPE r [<?pi ]> ?><!ENTITY e 'v'>]><r>&e;</r>", "v"},
    };
    for (const auto& [input, text] : cases) EXPECT_EQ(text_of(input), text) << input;
    Parsed p("<!DOCTYPE r [<!ATTLIST r a CDATA \"]>\">]><r/>");
    EXPECT_EQ(p.error(), "");
    EXPECT_STREQ(element_attribute_value(p.root, "a"), "]>");
}

// Eleven lines of declarations; lol9 stands for 3 * 10^9 bytes.
std::string laughs(const std::string& more_declarations = "") {
    std::string subset = "<!DOCTYPE r [\n<!ENTITY lol 'lol'>\n";
    for (int i = 1; i <= 9; ++i) {
        subset += "<!ENTITY lol" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) subset += "&lol" + (i > 1 ? std::to_string(i - 1) : "") + ";";
        subset += "'>\n";
    }
    return subset + more_declarations + "]>\n";
}

TEST(EntityExpansion, BillionLaughsInContent) {
    Parsed p(laughs() + "<r>&lol9;</r>");
    EXPECT_EQ(p.error(), error_at(13, "entity expansion too large"));
    EXPECT_STREQ(p.root->name, "r");
    EXPECT_EQ(p.root->first_child, nullptr);
}

TEST(EntityExpansion, BillionLaughsInAttributeValue) {
    Parsed p(laughs() + "<r>\n<a x='&lol9;'/></r>");
    EXPECT_EQ(p.error(), error_at(14, "entity expansion too large"));
    EXPECT_STREQ(p.root->name, "r");
    EXPECT_EQ(p.root->first_child, nullptr);
}

// Each &e4; inserts 1,044,440 bytes, of which 1,000,000 are x.
std::string megabyte_runs(int runs, std::size_t padding) {
    std::string document = "<!DOCTYPE a [<!ENTITY e0 '" + std::string(100, 'x') + "'>";
    for (int i = 1; i <= 4; ++i) {
        document += "<!ENTITY e" + std::to_string(i) + " '";
        for (int k = 0; k < 10; ++k) document += "&e" + std::to_string(i - 1) + ";";
        document += "'>";
    }
    document += "]><!--" + std::string(padding, ' ') + "--><a>";
    for (int i = 0; i < runs; ++i) document += "\n<b>&e4;</b>";
    return document + "</a>";
}

TEST(EntityExpansion, BillionLaughsInADefaultValue) {
    Parsed p(laughs("<!ATTLIST r a CDATA '&lol9;'>\n") + "<r/>");
    EXPECT_EQ(p.error(), error_at(12, "entity expansion too large"));
    EXPECT_EQ(p.root->name, nullptr);
}

TEST(EntityExpansion, CountedAcrossTheDocument) {
    Parsed p(megabyte_runs(10, 0));
    EXPECT_EQ(p.error(), error_at(10, "entity expansion too large"));
    XmlElement* b = p.child("b");
    for (int i = 0; i < 8; ++i, b = b->next_same_name) {
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(std::strlen(b->text), 1000000u);
    }
    // A longer input allows a hundred times its length.
    Parsed padded(megabyte_runs(10, 120000));
    EXPECT_EQ(padded.error(), "");
}

TEST(EntityExpansion, ParameterEntitiesDoublingAtDeclaration) {
    std::string document = "<!DOCTYPE r [\n<!ENTITY % p0 'xxx'>";
    for (int i = 1; i <= 30; ++i) {
        std::string previous = "%p" + std::to_string(i - 1) + ";";
        document += "\n<!ENTITY % p" + std::to_string(i) + " '" + previous + previous + "'>";
    }
    Parsed p(document + "]><r/>");
    EXPECT_EQ(p.error(), error_at(23, "entity expansion too large"));
    EXPECT_EQ(p.root->name, nullptr);
}

std::string doubled(const std::string& name, int i) {
    std::string reference = "&" + name + std::to_string(i - 1) + ";";
    return "<!ENTITY " + name + std::to_string(i) + " '" + reference + reference + "'>";
}

TEST(EntityCycles, DoubledChainsDeclare) {
    std::string upward = "<!DOCTYPE r [<!ENTITY e0 'x'>";
    for (int i = 1; i <= 30; ++i) upward += doubled("e", i);
    Parsed p(upward + "]><r>&e4;</r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(declared_entities(p).size(), 31u);
    EXPECT_STREQ(p.root->text, std::string(16, 'x').c_str());

    // Declared from the top, the chain ends at an undeclared a0 ...
    std::string downward = "<!DOCTYPE r [";
    for (int i = 30; i >= 1; --i) downward += doubled("a", i);
    EXPECT_EQ(text_of(downward + "<!ENTITY b '&a30;'>]><r>&a1;</r>"), "&a0;&a0;");
    // ... and declaring a0 closes a loop.
    Parsed loop(downward + "<!ENTITY a0 '&a30;'>]><r/>");
    EXPECT_EQ(loop.error(), error_at(1, "circular entity declaration &a0;"));
}

bool acyclic(detail::EntityCycleCheck& check, const char* name, const std::string& value) {
    return check.entity_is_acyclic(name, std::strlen(name), value.c_str(), value.size());
}

TEST(EntityCycles, Verdicts) {
    detail::DecodeContext context;
    context.expansion_limit = ~std::size_t(0);
    HostEntities general({{"b;", "&c;"}, {"c;", "x&a;"}, {"ab;", "z"}, {"lt;", "&#60;"}});
    detail::EntityCycleCheck check(general.set, '&', context);
    EXPECT_FALSE(acyclic(check, "a;", "&b;"));
    EXPECT_FALSE(acyclic(check, "a;", "text &a; text"));
    EXPECT_TRUE(acyclic(check, "a;", "plain"));
    EXPECT_TRUE(acyclic(check, "a;", "&ab;&lt;&unknown;&a"));
    EXPECT_FALSE(acyclic(check, "c;", "&b;"));
    EXPECT_TRUE(acyclic(check, "d;", "%d;&b;"));
    HostEntities prefixed({{"ab;", "&a;"}, {"z;", "z"}});
    detail::EntityCycleCheck prefixed_check(prefixed.set, '&', context);
    EXPECT_FALSE(acyclic(prefixed_check, "a;", "&ab;"));

    HostEntities parameters({{"p;", "%q;"}, {"q;", "&r; %r;"}});
    detail::EntityCycleCheck parameter_check(parameters.set, '%', context);
    EXPECT_FALSE(acyclic(parameter_check, "r;", "%p;"));
    EXPECT_TRUE(acyclic(parameter_check, "s;", "&s; %p;"));

    std::vector<std::string> names, values;
    for (int i = 0; i < 30; ++i) {
        std::string previous = "&e" + std::to_string(i - 1) + ";";
        names.push_back("e" + std::to_string(i) + ";");
        values.push_back(i ? previous + previous : "x");
    }
    std::vector<std::pair<const char*, const char*>> pairs;
    for (int i = 0; i < 30; ++i) pairs.emplace_back(names[i].c_str(), values[i].c_str());
    HostEntities chain(pairs);
    detail::EntityCycleCheck chain_check(chain.set, '&', context);
    EXPECT_TRUE(acyclic(chain_check, "e30;", "&e29;&e29;"));
    EXPECT_FALSE(acyclic(chain_check, "e0;", "&e29;"));
    EXPECT_TRUE(acyclic(chain_check, "f;", "&e29;"));
}

}  // namespace
