#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "parse_support.hpp"
#include "tree/tables.hpp"
#include "tree/tree_walk.hpp"
#include "tree_checks.hpp"
#include "xmlslice.hpp"

namespace xmlslice::test_support {
extern std::size_t strstr_calls;  // strstr_count.cpp
}

using namespace xmlslice;
using namespace xmlslice::test_support;
using namespace xmlslice::detail;

namespace {

// Each message with the line its position gives.
const std::vector<ErrorCase> error_cases = {
    {"", 1, "root tag missing"},
    {"\xFF\xFE", 1, "root tag missing"},
    {"\xFE", 1, "root tag missing"},
    {"words\nand\nmore", 3, "root tag missing"},
    {"\n<!-- c -->\n", 2, "root tag missing"},
    {"\n\n<!DOCTYPE a\n>", 3, "root tag missing"},
    {"<!DOCTYPE a\n[\n\n<!ENTITY e 'x'>", 2, "root tag missing"},
    {"<a>\n<b/>\n\n", 2, "unclosed tag <a>"},
    {"<a>x\ny\n", 1, "unclosed tag <a>"},
    {"<a>\n<b x='1'\n\n>", 2, "unclosed tag <b>"},
    {"<a>\n<b x='1'\n/>", 2, "unclosed tag <a>"},
    {"<a><b>\n</b \n\n", 2, "unclosed tag <a>"},
    {"<a>\n<!-- c\n -->", 2, "unclosed tag <a>"},
    {"<a>\n<?pi x\n?>", 2, "unclosed tag <a>"},
    {"<a x='1'>", 1, "unclosed tag <a>"},
    {"<a%n%s>", 1, "unclosed tag <a%n%s>"},
    {"\n<?pi x\n?>", 2, "root tag missing"},
    {std::string("<a>\0</a>", 8), 1, "unclosed tag <a>"},
    {std::string("<a\0>", 4), 1, "unclosed tag <a>"},
    {std::string("<a/\0x", 5), 1, "missing >"},
    {"<a/>\n<b/>", 2, "markup outside of root element"},
    {"<a></a>\n\n<b>", 3, "markup outside of root element"},
    {"<r>\n<a\nb='x/></r>", 2, "missing '"},
    {"<r><a b=\"x/></r>", 1, "missing \""},
    {"<ab", 1, "missing >"},
    {"<r>\n<a b\n", 2, "missing >"},
    {"<r>\n<a x='1'/ ></r>", 2, "missing >"},
    {"<a/ >", 1, "missing >"},
    {"<a></a", 1, "missing >"},
    {"<a>\n</a\n", 2, "missing >"},
    {"<a\n>\n</b>", 3, "unexpected closing tag </b>"},
    {"<a><b></a>", 1, "unexpected closing tag </a>"},
    {"<ab></a>", 1, "unexpected closing tag </a>"},
    {"<a></ab>", 1, "unexpected closing tag </ab>"},
    {"<a></a\v>", 1, "unexpected closing tag </a\v>"},
    {"</a>", 1, "unexpected closing tag </a>"},
    {"</>", 1, "unexpected closing tag </>"},
    {"<a/>\n</a>", 2, "unexpected closing tag </a>"},
    {"<a></%s%n>", 1, "unexpected closing tag </%s%n>"},
    {"<a>\n<!-- x -- y -->", 2, "unclosed <!--"},
    {"<a><!-->x</a>", 1, "unclosed <!--"},
    {"<a/><!-- c --\n", 1, "unclosed <!--"},
    {"<a/><!-- c --->\n", 1, "unclosed <!--"},
    {"<a><![CDATA[x]]>", 1, "unclosed <![CDATA["},
    {"<a>\n<![CDATA[x\n]]", 2, "unclosed <![CDATA["},
    {"\n<!DOCTYPE a [\n<!ENTITY e 'x'>\n", 2, "unclosed <!DOCTYPE"},
    {"<a>\n<?pi x", 2, "unclosed <?"},
    {"<a/><?>\n", 1, "unclosed <?"},
    {"<a/><?pi x?\n", 1, "unclosed <?"},
    {"<a>\n< b</a>", 2, "unexpected <"},
    {"<a><1/></a>", 1, "unexpected <"},
    {"<a><-x/></a>", 1, "unexpected <"},
    {"<a><.x/></a>", 1, "unexpected <"},
    {"<a><!x></a>", 1, "unexpected <"},
    {"<a><!-x--></a>", 1, "unexpected <"},
    {"<a><![CDAT[x]]></a>", 1, "unexpected <"},
    {"<a><![cdata[x]]></a>", 1, "unexpected <"},
    {"<!doctype a><a/>", 1, "unexpected <"},
    {"<a>x<\n", 1, "unexpected <"},
    {"<?pi?>\rx<a></b>", 2, "unexpected closing tag </b>"},
    {"<a/>\r</a>", 2, "unexpected closing tag </a>"},
    {"<a b='1\n2' c='x", 1, "missing '"},
    {"<a>\n<b c='\n\n' d=\"x", 2, "missing \""},
    {"<a>\n<b c='&#10;'\n/", 2, "missing >"},
};

TEST(ScannerErrors, MessagesAndLines) {
    for (const ErrorCase& c : error_cases) {
        SCOPED_TRACE(c.input);
        Parsed p(c.input);
        EXPECT_EQ(p.error(), error_at(c.line, c.message));
    }
}

// The line counts the input's line ends before the error (LF, CR LF and a
// lone CR each end one), whatever the parse rewrote or decoded before it.
TEST(ScannerErrors, LineIsTheInputsLine) {
    const std::string doctype =
        "<!DOCTYPE r [<!ENTITY e 'a\nb'><!ENTITY f '&#10;&#10;'>"
        "<!ENTITY long 'a much longer value'>]>";
    const std::vector<std::pair<std::string, int>> cases = {
        {"<r\n a='1'\n\n b\n=\n'2'\n>\n</zz>", 8},
        {"<r\n\ta='1'\n\t\tb='2'>\n<s\n\n/>\n<t\r\n\tu='&#10;'/>\n</zz>", 9},
        {"<r a\r\n='1'\r\n>\r\n</zz>", 4},
        {"<r>\n<a\n/>\n<b>\n</b\n>\n</zz>", 7},
        {"<r a='x\n&#10;y\r\n' b='\n\n'>\n</zz>", 6},
        {"<!DOCTYPE r [<!ATTLIST r a ID #IMPLIED>]><r a=' \n x \n '>\n</zz>", 4},
        {"<r a=\"\n\n\n\n\n\n\n\n\n\n\"></zz>", 11},
        {"<?pi a\nb?>\n<r>\n<?pi\nc?>\n</zz>", 6},
        {"<r><!--\n\n-->\n</zz>", 4},
        {"<r><![CDATA[\r\n\r]]>\n</zz>", 4},
        {"<!DOCTYPE r [\n<!ENTITY\ne\n'v\n'>\n<!ATTLIST r\na\nCDATA\n'1\n2'>\n]>\n<r>\n</zz>", 13},
        {"<r a='&#10;&#13;'>&#10;&#13;&#13;&#10;\n</zz>", 2},
        {"<r>&#10;&#10;&#10;&#10;&#10;\n<b>2</zz>\n</r>", 2},
        {"<r>&#\n65;\n</zz>", 3},
        {doctype + "<r>&e;&e;\n</zz>", 3},
        {doctype + "<r a='&e;&f;'>&f;\n&f;</zz>", 3},
        {doctype + "<r>&long;\n&long;\n</zz>", 4},
        {doctype + "<r>&#10;\n&long;\n</zz>", 4},
        {doctype + "<r>x\r\ny&long;\r</zz>", 4},
        {"<r>\r<a>\r</a>\r</zz>", 4},
        {"<r>\r\n<a b='1\r\n2'>\r\n</zz>", 4},
        {utf16(u"<r>\r\n<a>\r</a>\n</zz>", false), 4},
        {utf16(u"<r>\u010A\n&#10;</zz>", true), 2},
    };
    for (const auto& [input, line] : cases) {
        SCOPED_TRACE(input);
        EXPECT_EQ(Parsed(input).error(), error_at(line, "unexpected closing tag </zz>"));
    }
}

TEST(ScannerErrors, LineOfAnErrorAtTheEndOfALargeDocument) {
    std::string document = "<!DOCTYPE r [<!ENTITY e 'entity &#10; value'>]>\r\n<r>\r\n";
    const int items = 5000;
    for (int i = 0; i < items; ++i)
        document += "<p a='x&amp;y\r\nz'>t &lt; &e; u &#10;\r\nv</p>\r\n";
    document += "</zz>";
    EXPECT_EQ(Parsed(document).error(), error_at(3 + 3 * items, "unexpected closing tag </zz>"));
}

// Names are compared eight bytes at a time where the text allows: every
// length around a word, a difference at every place, at the text's end too.
TEST(Scanner, NamesOfEveryLengthMatchOrNot) {
    for (std::size_t length = 1; length <= 20; ++length) {
        std::string name(length, 'n');
        for (std::size_t i = 0; i < length; ++i) name[i] = static_cast<char>('a' + i);
        std::string same = "<" + name + "><" + name + "/><" + name + "/></" + name + ">";
        Parsed p(same);
        EXPECT_EQ(p.error(), "") << same;
        EXPECT_EQ(element_nth_same_name(p.child(name.c_str()), 1) != nullptr, true) << same;
        for (std::size_t at = 0; at <= length; ++at) {
            std::string other = name.substr(0, at) + "Z" + name.substr(at);
            Parsed q("<" + name + "></" + other + ">");
            EXPECT_EQ(q.error(), error_at(1, "unexpected closing tag </" + other + ">"));
            Parsed r("<" + name + "><" + other + "/><" + name + "/></" + name + ">");
            EXPECT_EQ(r.error(), "") << other;
            EXPECT_EQ(element_nth_same_name(r.child(name.c_str()), 1), nullptr) << other;
        }
    }
}

TEST(ScannerErrors, TreeBuiltSoFarComesBack) {
    Parsed mismatched("<a><b></a>");
    XmlElement* b = mismatched.child("b");
    ASSERT_NE(b, nullptr);
    EXPECT_STREQ(mismatched.root->name, "a");
    EXPECT_EQ(mismatched.doc()->current_element, b);

    // The tag being read is not created; its attribute list is freed.
    Parsed unquoted("<!DOCTYPE r [<!ENTITY e 'long long value'>]><r>t<a x='&e;' y='2></r>");
    EXPECT_EQ(unquoted.error(), error_at(1, "missing '"));
    EXPECT_EQ(unquoted.root->first_child, nullptr);
    EXPECT_STREQ(unquoted.root->text, "t");
    Parsed slash("<!DOCTYPE r [<!ENTITY e 'long long value'>]><r><a x='&e;'/ ></r>");
    EXPECT_EQ(slash.error(), error_at(1, "missing >"));
    EXPECT_EQ(slash.root->first_child, nullptr);

    Parsed open("<a x='1'>");
    EXPECT_EQ(attributes_of(open.root), (Pairs{{"x", "1"}}));
    Parsed nothing("");
    EXPECT_EQ(nothing.root->name, nullptr);
    XmlElement* no_buffer = document_parse_buffer(nullptr, 0);
    EXPECT_STREQ(document_error_text(no_buffer), error_at(1, "root tag missing").c_str());
    element_free(no_buffer);
}

TEST(ScannerErrors, LongMessageIsCut) {
    std::string name(200, 'n');
    Parsed p("<a></" + name + ">");
    std::string expected = error_at(1, "unexpected closing tag </" + name);
    EXPECT_EQ(p.error(), expected.substr(0, 127));
}

TEST(Scanner, DocumentFields) {
    Parsed p("<a x='1'>t<b/>u</a>");
    XmlDocument* d = p.doc();
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(d->source, p.buffer());
    EXPECT_EQ(d->converted, nullptr);
    EXPECT_EQ(d->text_start, p.buffer());
    EXPECT_EQ(d->text_end, p.buffer() + 19);
    EXPECT_EQ(d->mapped_length, 0u);
    EXPECT_EQ(d->current_element, nullptr);
    EXPECT_TRUE(is_empty_list(d->instructions));
    EXPECT_TRUE(is_empty_list(d->attribute_defaults));
    EXPECT_EQ(d->root.parent, nullptr);
    EXPECT_EQ(d->root.offset, 0u);
}

TEST(Scanner, LenientAttributes) {
    struct Case {
        std::string input;
        Pairs attributes;
    };
    const Case cases[] = {
        {"<a b c='1' d=e/>", {{"b", ""}, {"c", "1"}, {"d", ""}, {"e", ""}}},
        {"<a b='1'c='2'/>", {{"b", "1"}, {"c", "2"}}},
        {"<a b\n\t'x' c=='y' d = \"z\" e\r=\n'w'/>",
         {{"b", "x"}, {"c", "y"}, {"d", "z"}, {"e", "w"}}},
        {"<a ='x'/>", {{"", "x"}}},
        {"<a b='1' b='2'/>", {{"b", "1"}, {"b", "2"}}},
        {"<a b='x>y' c=\"it's\"/>", {{"b", "x>y"}, {"c", "it's"}}},
        {"<a b='&#60;&#65;\tc\r\nd'/>", {{"b", "<A c d"}}},
        {"<a b/>", {{"b", ""}}},
        {"<a b='1'>", {{"b", "1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        Parsed p(c.input);
        EXPECT_EQ(attributes_of(p.root), c.attributes);
        EXPECT_EQ(ownership_of(p.root), std::string(c.attributes.size(), ' '));
        for (char** a = p.root->attributes; *a; a += 2) EXPECT_TRUE(p.in_text(a[0]));
    }
    Parsed valueless("<a b c=d/>");
    char** list = valueless.root->attributes;
    EXPECT_EQ(list[1], valueless.root->text);  // the shared empty string
    EXPECT_EQ(list[3], list[1]);
    Parsed bare("<a/>");
    EXPECT_EQ(bare.root->attributes, empty_list);
}

TEST(Scanner, LengthenedValueIsOwnedByTheList) {
    Parsed p(
        "<!DOCTYPE a [<!ENTITY e 'a longer value'>]><a x='&e;' y='&#60;' z='[&e;]' w='&lt;'/>");
    EXPECT_EQ(attributes_of(p.root),
              (Pairs{{"x", "a longer value"}, {"y", "<"}, {"z", "[a longer value]"}, {"w", "<"}}));
    // The predefined values are longer than their references.
    EXPECT_EQ(ownership_of(p.root), "\x40 \x40\x40");
    char** list = p.root->attributes;
    EXPECT_FALSE(p.in_text(list[1]));
    EXPECT_TRUE(p.in_text(list[3]));
    EXPECT_TRUE(sized_exactly(list[1], std::strlen(list[1]) + 1));
}

TEST(Scanner, TextJoiningAndOffsets) {
    Parsed joined("<a>x<b/>y</a>");
    XmlElement* a = joined.root;
    EXPECT_STREQ(a->text, "xy");
    EXPECT_TRUE(a->flags & TEXT_OWNED);
    EXPECT_FALSE(joined.in_text(a->text));
    EXPECT_TRUE(sized_exactly(a->text, 3));
    EXPECT_EQ(joined.child("b")->offset, 1u);

    Parsed single("<a>text</a>");
    EXPECT_EQ(single.root->text, single.buffer() + 3);
    EXPECT_FALSE(single.root->flags & TEXT_OWNED);

    Parsed decoded("<a>&lt;&#233;<b>in</b>&amp;\r\n<c/><d/>z<![CDATA[<&x;>]]><!-- - -->!</a>");
    a = decoded.root;
    EXPECT_STREQ(a->text, "<\xC3\xA9&\nz<&x;>!");
    EXPECT_EQ(decoded.child("b")->offset, 3u);
    EXPECT_STREQ(decoded.child("b")->text, "in");
    EXPECT_EQ(decoded.child("c")->offset, 5u);
    EXPECT_EQ(decoded.child("d")->offset, 5u);
    EXPECT_EQ(tree_violation(a), "");

    Parsed heap_runs("<!DOCTYPE a [<!ENTITY e 'longer'>]><a>&e;<b/>&e;<c/>.</a>");
    EXPECT_STREQ(heap_runs.root->text, "longerlonger.");
    EXPECT_TRUE(heap_runs.root->flags & TEXT_OWNED);
    EXPECT_TRUE(sized_exactly(heap_runs.root->text, 14));
    EXPECT_EQ(heap_runs.child("c")->offset, 12u);

    Parsed one_heap_run("<!DOCTYPE a [<!ENTITY e 'longer'>]><a>&e;</a>");
    EXPECT_STREQ(one_heap_run.root->text, "longer");
    EXPECT_TRUE(one_heap_run.root->flags & TEXT_OWNED);

    // A run that decoded to nothing leaves the text empty, so the next run
    // is taken as it stands rather than joined.
    Parsed empty_first("<!DOCTYPE a [<!ENTITY n ''>]><a>&n;<b/>y<c/></a>");
    EXPECT_STREQ(empty_first.root->text, "y");
    EXPECT_TRUE(empty_first.in_text(empty_first.root->text));
    EXPECT_FALSE(empty_first.root->flags & TEXT_OWNED);
    EXPECT_EQ(empty_first.child("b")->offset, 0u);
    EXPECT_EQ(empty_first.child("c")->offset, 1u);

    Parsed heap_second("<!DOCTYPE a [<!ENTITY e 'longer'>]><a>x<b/>&e;</a>");
    EXPECT_STREQ(heap_second.root->text, "xlonger");
    EXPECT_TRUE(heap_second.root->flags & TEXT_OWNED);

    Parsed empty_cdata("<![CDATA[lost]]><a><![CDATA[]]></a>outside");
    EXPECT_STREQ(empty_cdata.root->text, "");
    EXPECT_EQ(empty_cdata.root->flags, 0);
}

TEST(Scanner, FinalGtAllowance) {
    const std::string closed_at_end[] = {
        std::string("<a/\0>", 5),
        "<a/>",
        "<a x='1'/>",
        "<a></a>",
        "<a/><!-- c -->",
        "<a/><?pi x?>",
        "<a/><!DOCTYPE b>",
        "<a/><!DOCTYPE b [<!ENTITY e 'v'>]>",
        "<a/>\n",
        "\xEF\xBB\xBF junk <a/>",
        "<a/><!-- c --> <?pi x?> \n",
        "<a/><!---->\n",
        "<a/><![CDATA[x]]>\n",
        "<a></a \n",
    };
    for (const std::string& input : closed_at_end) {
        SCOPED_TRACE(input);
        Parsed p(input);
        EXPECT_EQ(p.error(), "");
        EXPECT_STREQ(p.root->name, "a");
    }
    Parsed pi("<a/><?pi x?>");
    EXPECT_STREQ(document_instructions(pi.root, "pi")[0], "x");
    Parsed attributes("<a x='1' y='2'/>");
    EXPECT_EQ(attributes_of(attributes.root), (Pairs{{"x", "1"}, {"y", "2"}}));
}

TEST(Scanner, VerticalTabAndFormFeedSeparateOnlySomeTokens) {
    Parsed p("<r \v\fx='1'\vy='2' z\v='3'><a\vb/><a></a \v>t</r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(attributes_of(p.root), (Pairs{{"x", "1"}, {"y", "2"}, {"z\v", "3"}}));
    EXPECT_STREQ(p.root->first_child->name, "a\vb");
    EXPECT_STREQ(p.root->text, ">t");
}

TEST(Scanner, EndTagTakesAnyByteAsItsGt) {
    Parsed p("<r><a></a x></r>");
    EXPECT_EQ(p.error(), "");
    EXPECT_STREQ(p.root->text, ">");
    Parsed blanks("<r><a></a \n\t></r >");
    EXPECT_EQ(blanks.error(), "");
}

TEST(Scanner, NulEndsTheText) {
    Parsed p(std::string("<a>x</a>\0<b/>trailing", 21));
    EXPECT_EQ(p.error(), "");
    EXPECT_STREQ(p.root->text, "x");
}

TEST(Scanner, Utf16Input) {
    for (bool big_endian : {false, true}) {
        Parsed p(utf16(u"<a t='\u00E9'>\u20AC\U0001F600<b/></a>", big_endian));
        EXPECT_EQ(p.error(), "");
        EXPECT_EQ(p.doc()->source, p.buffer());
        EXPECT_NE(p.doc()->converted, nullptr);
        EXPECT_EQ(p.doc()->text_start, p.doc()->converted);
        EXPECT_EQ(p.doc()->text_end, p.doc()->text_start + 25);
        EXPECT_EQ(attributes_of(p.root), (Pairs{{"t", "\xC3\xA9"}}));
        EXPECT_STREQ(p.root->text, "\xE2\x82\xAC\xF0\x9F\x98\x80");
        EXPECT_EQ(p.child("b")->offset, 7u);
    }
    const std::string input = utf16(u"<a>x</a>", true);
    Parsed p(input);
    EXPECT_EQ(std::string(p.buffer(), input.size()), input);
    Parsed odd(utf16(u"<a/>", false) + "X");
    EXPECT_EQ(odd.error(), "");
    Parsed lone(utf16(u"<a>\xD800", false));
    EXPECT_EQ(lone.error(), error_at(1, "unclosed tag <a>"));
}

// Single-byte encodings a declaration names are converted as UTF-16 is;
// other names are refused rather than misread.
TEST(Scanner, DeclaredEncodings) {
    const std::pair<std::string, std::string> converted[] = {
        {"ISO-8859-1", "\xC3\xA9\xC2\x80\xC3\xBF"},
        {"latin1", "\xC3\xA9\xC2\x80\xC3\xBF"},
        {"us-ascii", "\xC3\xA9\xC2\x80\xC3\xBF"},
        {"Windows-1252", "\xC3\xA9\xE2\x82\xAC\xC3\xBF"},
        {"UTF-8", "\xE9\x80\xFF"},
        {"utf-16", "\xE9\x80\xFF"},
        {"UTF8", "\xE9\x80\xFF"},
        {"cp1252", "\xC3\xA9\xE2\x82\xAC\xC3\xBF"},
    };
    for (const auto& [name, text] : converted) {
        SCOPED_TRACE(name);
        Parsed p("<?xml version='1.0' encoding=\"" + name + "\"?>\n<r a='\xE9'>\xE9\x80\xFF</r>");
        EXPECT_EQ(p.error(), "");
        EXPECT_STREQ(p.root->text, text.c_str());
        EXPECT_EQ(attributes_of(p.root), (Pairs{{"a", text.substr(0, text.size() == 3 ? 1 : 2)}}));
        EXPECT_EQ(p.doc()->converted != nullptr, text.size() != 3);
    }
    Parsed windows("<?xml version='1.0' encoding='windows-1252'?><r>\x81\x93\x9F</r>");
    EXPECT_STREQ(windows.root->text, "\xC2\x81\xE2\x80\x9C\xC5\xB8");
    // Lines are those of the input.
    Parsed late("<?xml version='1.0' encoding='latin1'?>\n<r>\xE9\r\n\xE9\n</s>");
    EXPECT_EQ(late.error(), error_at(4, "unexpected closing tag </s>"));
    const std::pair<std::string, std::string> refused[] = {
        {"<?xml version='1.0' encoding='EBCDIC'?><r/>",
         error_at(1, "unsupported encoding \"EBCDIC\"")},
        {"<?xml version='1.0'\n encoding = \"Shift_JIS\" ?><r/>",
         error_at(2, "unsupported encoding \"Shift_JIS\"")},
        {"<?xml encoding=''?><r/>", error_at(1, "unsupported encoding \"\"")},
    };
    for (const auto& [input, error] : refused) {
        Parsed p(input);
        EXPECT_EQ(p.error(), error);
        EXPECT_EQ(p.root->first_child, nullptr);
        EXPECT_EQ(written(p.root), "");
    }
    // Only a declaration at the very start names the encoding.
    EXPECT_EQ(Parsed(" <?xml version='1.0' encoding='EBCDIC'?><r/>").error(), "");
    EXPECT_EQ(Parsed("<?xml-stylesheet encoding='EBCDIC'?><r/>").error(), "");
    EXPECT_EQ(Parsed("<?xml version='1.0'?><r encoding='EBCDIC'/>").error(), "");
}

TEST(Instructions, TableAndPositions) {
    Parsed p(
        "<?pi one?><?other?>\n<a><b/><?pi two three?><?q a?b?><?pi\v x?></a><?pi  \n\t four ?>");
    EXPECT_EQ(p.error(), "");
    InstructionTable table = p.doc()->instructions;
    ASSERT_FALSE(is_empty_list(table));
    ASSERT_NE(table[0], nullptr);
    ASSERT_NE(table[1], nullptr);
    ASSERT_NE(table[2], nullptr);
    ASSERT_NE(table[3], nullptr);
    EXPECT_EQ(table[4], nullptr);

    char** pi = table[0];
    EXPECT_STREQ(pi[0], "pi");
    EXPECT_STREQ(pi[1], "one");
    EXPECT_STREQ(pi[2], "two three");
    EXPECT_STREQ(pi[3], "four ");
    EXPECT_EQ(pi[4], nullptr);
    EXPECT_STREQ(pi[5], "<>>");
    EXPECT_EQ(document_instructions(p.root, "pi"), pi + 1);
    EXPECT_EQ(document_instructions(p.child("b"), "pi"), pi + 1);

    char** other = table[1];
    EXPECT_STREQ(other[0], "other");
    EXPECT_STREQ(other[1], "");
    EXPECT_EQ(other[2], nullptr);
    EXPECT_STREQ(other[3], "<");
    EXPECT_STREQ(table[2][1], "a?b");
    EXPECT_STREQ(table[2][3], ">");
    for (char* s : {pi[0], pi[1], pi[2], pi[3], other[0], table[2][1]}) EXPECT_TRUE(p.in_text(s));
    EXPECT_STREQ(document_instructions(p.root, "pi\v")[0], "x");
    EXPECT_EQ(document_instructions(p.root, "xml"), empty_list);
    EXPECT_EQ(document_instructions(p.root, "none"), empty_list);
}

TEST(Instructions, XmlDeclarationStandalone) {
    struct Case {
        const char* declaration;
        int standalone;
    };
    const Case cases[] = {
        {"<?xml version='1.0' standalone='yes'?>", 1},
        {"<?xml version=\"1.0\" standalone=\"yes\"?>", 1},
        {"<?xml standalone = 'yes' ?>", 1},
        {"<?xml\tstandalone\t=\n\"yes\"?>", 1},
        {"<?xml standalone='no'?>", 0},
        {"<?xml version='standalone' standalone='yes'?>", 0},
        {"<?xml?>", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declaration);
        Parsed p(std::string(c.declaration) + "<a/>");
        EXPECT_EQ(p.error(), "");
        EXPECT_EQ(p.doc()->standalone, c.standalone);
        EXPECT_TRUE(is_empty_list(p.doc()->instructions));
    }
    Parsed upper("<?XML standalone='yes'?><?xml-stylesheet href='s'?><a/>");
    EXPECT_EQ(upper.doc()->standalone, 0);
    EXPECT_STREQ(document_instructions(upper.root, "XML")[0], "standalone='yes'");
    EXPECT_STREQ(document_instructions(upper.root, "xml-stylesheet")[0], "href='s'");
}

// Every table a parse fills gets its exact size, also when the parse stops
// at an error.
void expect_trimmed(XmlDocument* d) {
    const std::size_t slot = sizeof(char*);
    EXPECT_TRUE(sized_exactly(d->entities, (2 * pair_count(d->entities) + 1) * slot));
    for (auto [table, stride] : {std::pair{d->attribute_defaults, 3}, {d->instructions, 1}}) {
        if (is_empty_list(table)) continue;
        std::size_t lists = 0;
        for (; table[lists]; ++lists) {
            KeyedList list{table[lists]};
            std::size_t count = list.count(stride);
            std::size_t trailer = stride == 1 ? 1 : 0;  // an instruction list's positions
            EXPECT_TRUE(sized_exactly(list.slots, (stride * count + 2 + trailer) * slot));
            if (trailer) {
                EXPECT_TRUE(sized_exactly(list.positions(count), count + 1));
            }
        }
        EXPECT_TRUE(sized_exactly(table, (lists + 1) * slot));
    }
}

TEST(Scanner, TablesAndTextsHaveExactSizes) {
    Parsed p(
        "<!DOCTYPE r [<!ENTITY e 'v'><!ENTITY f 'w'><!ATTLIST r a CDATA '1' b ID #IMPLIED>"
        "<!ATTLIST s c CDATA '2'>]><?p x?><r a='1' b='2' c='3'>x<s/>y<?p y?><?q z?></r>");
    ASSERT_EQ(p.error(), "");
    expect_trimmed(p.doc());
    EXPECT_EQ(KeyedList{p.doc()->attribute_defaults[0]}.count(3), 2u);
    EXPECT_EQ(KeyedList{p.doc()->instructions[0]}.count(), 2u);
    EXPECT_TRUE(sized_exactly(p.root->attributes, attribute_list_bytes(3)));
    EXPECT_TRUE(sized_exactly(p.root->text, 3));

    Parsed nested("<a><b>x<c/>y</b>z</a>");
    EXPECT_TRUE(sized_exactly(nested.child("b")->text, 3));

    Parsed stopped("<!DOCTYPE r [<!ENTITY a 'A'>]><?p x?><r x='1'>x<b/>y<?p y?><c>");
    EXPECT_EQ(stopped.error(), error_at(1, "unclosed tag <c>"));
    expect_trimmed(stopped.doc());
    EXPECT_TRUE(sized_exactly(stopped.root->text, 3));
}

// A text form of everything a parse produces, to compare two parses.
std::string dump(XmlElement* root) {
    std::string out;
    std::size_t depth = 0;
    auto enter = [&](XmlElement* e) {
        out += std::string(depth++, ' ') + (e->name ? e->name : "(null)") + " @" +
               std::to_string(e->offset) + " flags " + std::to_string(e->flags) + " [" + e->text +
               "] own " + ownership_of(e);
        for (const auto& [name, value] : attributes_of(e)) out += " " + name + "=" + value;
        out += "\n";
    };
    walk_chain(root, enter, [&](XmlElement*) { --depth; });
    XmlDocument* d = reinterpret_cast<XmlDocument*>(root);
    for (const auto& [name, value] : pairs_of(d->entities)) out += name + "=" + value + "\n";
    for (char*** list = d->attribute_defaults; *list; ++list)
        for (char** s = *list; *s; ++s) out += std::string(*s) + "\n";
    for (char*** list = d->instructions; *list; ++list) {
        char** s = *list;
        for (; *s; ++s) out += std::string(*s) + "\n";
        out += std::string(s[1]) + "\n";
    }
    return out + d->error;
}

TEST(Scanner, ParsingTwiceGivesIdenticalTrees) {
    const std::string document =
        "<?xml version='1.0' standalone='yes'?>\n"
        "<!DOCTYPE r [\n <!ENTITY e 'entity &#38; value'>\n <!ENTITY % p 'pp'>\n"
        " <!ENTITY f '%p;&e;'>\n <!ATTLIST r id ID #IMPLIED lang CDATA 'en'>\n"
        " <?keep inside?>\n]>\n<?pi before?>\n"
        "<r id='  x  y ' z='&e;'>text &f; <![CDATA[<raw>]]><c a='1'>in</c>tail&#233;<c/>"
        "<d/><?pi inside?></r>\n<!-- after -->\n";
    Parsed first(document);
    Parsed second(document);
    EXPECT_EQ(first.error(), "");
    EXPECT_EQ(dump(first.root), dump(second.root));
    EXPECT_STREQ(first.root->text, "text ppentity & value <raw>tail\xC3\xA9");
}

TEST(Scanner, NeverTouchesBytesBeyondTheLength) {
    const std::string inputs[] = {
        "<a x='1",
        "<a>&#65",
        "<a>&lt",
        "<a><![CDATA[x",
        "<a>x\r",
        "<!DOCTYPE a [<!ENTITY e",
        "<!DOCTYPE a [<!ATTLIST e",
        "<!DOCTYPE a [<!ENTITY e 'v",
        "<a><?pi",
        "<a><!--",
        utf16(u"<a>x</a>", false) + "<",
        "<a b='1' c",
        "<a></a",
    };
    const std::size_t guard = 16;
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        char* buffer = static_cast<char*>(std::malloc(input.size() + guard));
        std::memcpy(buffer, input.data(), input.size());
        std::memset(buffer + input.size(), '<', guard);
        XmlElement* root = document_parse_buffer(buffer, input.size());
        EXPECT_EQ(std::string(buffer + input.size(), guard), std::string(guard, '<'));
        element_free(root);
        std::free(buffer);
    }
}

// Comment, CDATA and instruction ends, in content and in the subset, are
// found by searches that stop at them: a strstr over the rest of the text
// (which a sanitizer measures whole on every call) would make this shape
// quadratic in any host built with AddressSanitizer.
TEST(ScannerScale, TwentyThousandCommentsWithoutStrstr) {
    std::string document = "<!DOCTYPE r [<!-- ]> --><?p ?>";
    for (int i = 0; i < 20000; ++i) document += "<!-- d -->";
    document += "]><r>";
    for (int i = 0; i < 20000; ++i) document += "<!-- c - d --><![CDATA[x]]]]><!-- c -->";
    strstr_calls = 0;
    Parsed p(document + "</r>");
    std::size_t calls = strstr_calls;  // before a failed check calls it
    EXPECT_EQ(p.error(), "");
    EXPECT_EQ(std::strlen(p.root->text), 60000u);
    EXPECT_EQ(calls, 0u);
}

TEST(ScannerScale, HundredThousandChildrenOfAlternatingNames) {
    std::string document = "<r>";
    for (int i = 0; i < 100000; ++i) document += i % 2 ? "<b/>." : "<a/>.";
    Parsed p(document + "</r>");
    ASSERT_EQ(p.error(), "");
    EXPECT_EQ(tree_violation(p.root), "");
    EXPECT_EQ(std::strlen(p.root->text), 100000u);
    EXPECT_TRUE(sized_exactly(p.root->text, 100001));
    XmlElement* last_a = element_nth_same_name(p.child("a"), 49999);
    ASSERT_NE(last_a, nullptr);
    EXPECT_EQ(last_a->offset, 99998u);
    EXPECT_EQ(last_a->next_same_name, nullptr);
    EXPECT_EQ(element_nth_same_name(p.child("b"), 49999)->offset, 99999u);
}

TEST(ScannerScale, HundredThousandDistinctNames) {
    std::string document = "<r>";
    for (int i = 0; i < 100000; ++i) document += "<n" + std::to_string(i) + "/>";
    Parsed p(document + "</r>");
    ASSERT_EQ(p.error(), "");
    EXPECT_EQ(tree_violation(p.root), "");
    EXPECT_EQ(p.child("n0"), p.root->first_child);
    XmlElement* last = p.child("n99999");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->next_in_order, nullptr);
}

TEST(ScannerScale, HundredThousandAttributesAndInstructions) {
    std::string document = "<a";
    for (int i = 0; i < 100000; ++i)
        document += " x" + std::to_string(i) + "='" + std::to_string(i) + "'";
    document += ">";
    for (int i = 0; i < 100000; ++i)
        document += "<?t" + std::to_string(i % 50000) + " " + std::to_string(i) + "?>";
    Parsed p(document + "</a>");
    ASSERT_EQ(p.error(), "");
    Pairs attributes = attributes_of(p.root);
    ASSERT_EQ(attributes.size(), 100000u);
    EXPECT_EQ(attributes.back(), (std::pair<std::string, std::string>{"x99999", "99999"}));
    EXPECT_EQ(ownership_of(p.root), std::string(100000, ' '));
    EXPECT_TRUE(sized_exactly(p.root->attributes, attribute_list_bytes(100000)));
    char** last = document_instructions(p.root, "t49999");
    EXPECT_STREQ(last[0], "49999");
    EXPECT_STREQ(last[1], "99999");
    EXPECT_STREQ(last[3], ">>");
    EXPECT_STREQ(p.doc()->instructions[49999][0], "t49999");
    EXPECT_EQ(p.doc()->instructions[50000], nullptr);
}

}  // namespace
