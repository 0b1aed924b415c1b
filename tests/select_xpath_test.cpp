// XPath 1.0 by area, each a table written from the recommendation: lexical
// rules, the thirteen axes, the core functions with their edge cases,
// conversions and comparisons, number formatting, the document order of
// unions, run-time errors, variables and prefixes, and what the C++ surface
// refuses to compile.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "select_support.hpp"
#include "xmlslice_select.hpp"

namespace {

using namespace xmlslice;

using test_support::Parsed;

// Nodes as: / for the root, the name (or the id attribute's value when it
// has one) for elements, @name for attributes, [text] for texts; other
// values as string() gives them; errors as "error: message".
std::string describe(const SelectResult& result) {
    if (result.failed()) return "error: " + std::string(result.error());
    if (!result.is_node_set()) return std::string(result.string());
    std::string out;
    for (const SelectMatch& node : result.matches()) {
        if (!out.empty()) out += " ";
        switch (node.kind) {
            case NodeKind::root:
                out += "/";
                break;
            case NodeKind::element: {
                const char* id = element_attribute_value(node.element, "id");
                out += id ? id : node.element->name;
                break;
            }
            case NodeKind::attribute:
                out += "@" + std::string(node.name);
                break;
            case NodeKind::text:
                out += "[" + std::string(node.value) + "]";
                break;
        }
    }
    return out;
}

struct Case {
    const char* expression;
    const char* expected;
};

// Runs each case with context as the context node (null: the root node).
void expect_cases(XmlElement* root, XmlElement* context, const std::vector<Case>& cases,
                  const SelectBindings& bindings = SelectBindings()) {
    for (const Case& c : cases) {
        SelectError error;
        Select select = Select::compile(c.expression, bindings, &error);
        if (!select) {
            ADD_FAILURE() << c.expression << ": " << error.message << " at " << error.column;
            continue;
        }
        SelectResult result;
        if (context) {
            select.run(context, result, bindings);
        } else {
            select.run_from_document(root, result, bindings);
        }
        EXPECT_EQ(describe(result), c.expected) << c.expression;
    }
}

XmlElement* by_id(XmlElement* root, const char* id) {
    SelectBindings bindings;
    bindings.set_string("id", id);
    SelectResult result;
    Select::compile("//*[@id = $id]", bindings).run_from_document(root, result, bindings);
    return result.empty() ? nullptr : result.matches()[0].element;
}

// Section 3.7: '*' and operator names by the token before them; a name
// before '(' is a function or node type, before '::' an axis.
TEST(XPathLexing, OperatorsAndNamesByTheirNeighbours) {
    Parsed doc("<r><and>1</and><div>2</div><mod>3</mod><or>4</or><a b='5'>6</a><a-1>7</a-1></r>");
    expect_cases(doc.root, doc.root,
                 {
                     {"and", "and"},
                     {"div div div", "1"},
                     {"mod mod mod", "0"},
                     {"or or or", "true"},
                     {"and and and", "true"},
                     {"* * *", "1"},
                     {"2*3", "6"},
                     {"a/@b * 2", "10"},
                     {"a-1", "a-1"},
                     {"a - 1", "5"},
                     {"a -1", "5"},
                     {"- - 2", "2"},
                     {"--2", "2"},
                     {"child :: a", "a"},
                     {"count (a)", "1"},
                     {"a/text ()", "[6]"},
                     {"@ *", ""},
                     {"a/@ b", "@b"},
                     {".5 + 1.", "1.5"},
                     {"\"it's\"", "it's"},
                     {"'say \"hi\"'", "say \"hi\""},
                     {"count(*[position() = 2 or position()=last()])", "2"},
                     {"div|mod", "div mod"},
                     {"(div)[1]", "div"},
                     {"number(div) div number(mod)", "0.6666666666666666"},
                     {"a//text()", "[6]"},
                     {"self::r/a[1]", "a"},
                 });
}

// One document, every axis from a few context nodes.
//   r
//   ├── a#1: [t1] b#2([t2]) c#3 [t3]
//   └── d#4: e#5
const char AXES_DOCUMENT[] =
    "<r><a id='1'>t1<b id='2'>t2</b><c id='3'/>t3</a><d id='4'><e id='5'/></d></r>";

TEST(XPathAxes, EachAxisInDocumentOrderAndPositionsInAxisOrder) {
    Parsed doc(AXES_DOCUMENT);
    XmlElement* a = by_id(doc.root, "1");
    XmlElement* b = by_id(doc.root, "2");
    XmlElement* c = by_id(doc.root, "3");
    ASSERT_TRUE(a && b && c);
    expect_cases(doc.root, a,
                 {
                     {"child::node()", "[t1] 2 3 [t3]"},
                     {"child::*", "2 3"},
                     {"child::text()", "[t1] [t3]"},
                     {"descendant::node()", "[t1] 2 [t2] 3 [t3]"},
                     {"descendant-or-self::*", "1 2 3"},
                     {"attribute::node()", "@id"},
                     {"attribute::*", "@id"},
                     {"namespace::node()", ""},
                     {"self::a", "1"},
                     {"self::b", ""},
                     {"parent::node()", "r"},
                     {"@id/parent::node()", "1"},
                     {"@id/following::node()", "[t1] 2 [t2] 3 [t3] 4 5"},
                     {"@id/preceding::node()", ""},
                     {"text()[2]/preceding::node()", "[t1] 2 [t2] 3"},
                     {"text()[1]/following-sibling::node()", "2 3 [t3]"},
                     {"text()[2]/preceding-sibling::node()[1]", "3"},
                     {"text()[1]/parent::*", "1"},
                     {"text()[1]/self::text()", "[t1]"},
                     {"text()[1]/self::node()/..", "1"},
                     {"following::*", "4 5"},
                     {"ancestor::node()", "/ r"},
                     {"ancestor-or-self::node()", "/ r 1"},
                 });
    expect_cases(doc.root, b,
                 {
                     {"ancestor::*", "r 1"},
                     {"ancestor::*[1]", "1"},
                     {"ancestor-or-self::*[2]", "1"},
                     {"ancestor::node()[last()]", "/"},
                     {"following::node()", "3 [t3] 4 5"},
                     {"following::node()[2]", "[t3]"},
                     {"following-sibling::node()", "3 [t3]"},
                     {"following-sibling::*[last()]", "3"},
                     {"preceding-sibling::node()", "[t1]"},
                     {"preceding::node()", "[t1]"},
                     {"descendant::node()", "[t2]"},
                 });
    expect_cases(doc.root, c,
                 {
                     {"preceding::node()", "[t1] 2 [t2]"},
                     {"preceding::node()[1]", "[t2]"},
                     {"preceding::node()[last()]", "[t1]"},
                     {"preceding-sibling::node()", "[t1] 2"},
                     {"preceding-sibling::node()[1]", "2"},
                     {"following::node()", "[t3] 4 5"},
                 });
    expect_cases(doc.root, nullptr,
                 {
                     {"/", "/"},
                     {"/..", ""},
                     {"/self::node()", "/"},
                     {"/child::node()", "r"},
                     {"/descendant::*", "r 1 2 3 4 5"},
                     {"//text()", "[t1] [t2] [t3]"},
                     {"//*[2]", "3 4"},
                     {"//node()[1]", "r 1 [t1] [t2] 5"},
                     {"//*/ancestor::*[1]", "r 1 4"},
                     {"//*/following-sibling::*", "3 4"},
                     {"//*/preceding-sibling::*", "1 2"},
                     {"//*/parent::*", "r 1 4"},
                     {"//*/following::*", "3 4 5"},
                     {"//*/preceding::*", "1 2 3"},
                     {"//text()/ancestor::*", "r 1 2"},
                     {"//*[@id='5']/ancestor-or-self::node()", "/ r 4 5"},
                     {"count(//e/preceding::node())", "6"},
                     {"//processing-instruction()", ""},
                     {"//comment()", ""},
                 });
}

TEST(XPathFunctions, TheCoreLibraryWithItsEdgeCases) {
    Parsed doc(
        "<!DOCTYPE r [<!ATTLIST p id ID #IMPLIED><!ATTLIST q id CDATA #IMPLIED>]>"
        "<r xml:lang='en-GB' xmlns='urn:d' xmlns:x='urn:x'>"
        "<p id='a'>1</p><q id='b'>2</q><s xml:id='c'>x</s><p id='d'>4.5</p>"
        "<x:t x:k='v' k='w' xml:lang='de'/></r>");
    expect_cases(
        doc.root, nullptr,
        {
            {"last()", "1"},
            {"position()", "1"},
            {"(//*)[last()]", "x:t"},
            {"count(//*[position() = last()])", "2"},
            {"count(/)", "1"},
            {"count(//@*)", "8"},
            {"id('a d')", "a d"},
            {"id('d a d')", "a d"},
            {"id('b')", ""},
            {"id('c')/text()", "[x]"},
            {"id(//p/@id)", "a d"},
            {"id('  a\n')", "a"},
            {"local-name(//x:t)", "t"},
            {"local-name(//@x:k)", "k"},
            {"local-name()", ""},
            {"local-name(//nothing)", ""},
            {"name(//x:t/@*[1])", "x:k"},
            {"name(/*)", "r"},
            {"namespace-uri(/*)", "urn:d"},
            {"namespace-uri(//x:t)", "urn:x"},
            {"namespace-uri(//x:t/@x:k)", "urn:x"},
            {"namespace-uri(//x:t/@k)", ""},
            {"namespace-uri(//@xml:lang)", "http://www.w3.org/XML/1998/namespace"},
            {"string(//p)", "1"},
            {"string(1 div 0)", "Infinity"},
            {"string(-1 div 0)", "-Infinity"},
            {"string(0 div 0)", "NaN"},
            {"string(-0)", "0"},
            {"string(true())", "true"},
            {"string(/)", "12x4.5"},
            {"concat('a', 1, true(), //q)", "a1true2"},
            {"starts-with('abc', '')", "true"},
            {"starts-with('abc', 'abcd')", "false"},
            {"contains('abc', '')", "true"},
            {"contains('abc', 'bc')", "true"},
            {"substring-before('1999/04/01', '/')", "1999"},
            {"substring-after('1999/04/01', '/')", "04/01"},
            {"substring-before('abc', '')", ""},
            {"substring-after('abc', '')", "abc"},
            {"substring-after('abc', 'x')", ""},
            {"substring('12345', 2, 3)", "234"},
            {"substring('12345', 2)", "2345"},
            {"substring('12345', 1.5, 2.6)", "234"},
            {"substring('12345', 0, 3)", "12"},
            {"substring('12345', 0 div 0, 3)", ""},
            {"substring('12345', 1, 0 div 0)", ""},
            {"substring('12345', -42, 1 div 0)", "12345"},
            {"substring('12345', -1 div 0, 1 div 0)", ""},
            {"substring('12345', -1 div 0)", "12345"},
            {"substring('12345', 1 div 0)", ""},
            {"substring('\xC3\xA7"
             "a\xC3\xA9', 2, 1)",
             "a"},
            {"substring('\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E', 2)", "\xE6\x9C\xAC\xE8\xAA\x9E"},
            {"string-length('\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E')", "3"},
            {"string-length('')", "0"},
            {"string-length(//p)", "1"},
            {"normalize-space('  a \n\t b  ')", "a b"},
            {"normalize-space('   ')", ""},
            {"translate('bar', 'abc', 'ABC')", "BAr"},
            {"translate('--aaa--', 'abc-', 'ABC')", "AAA"},
            {"translate('aba', 'aa', 'xy')", "xbx"},
            {"translate('\xE6\x97\xA5\xE6\x9C\xAC', '\xE6\x97\xA5', 'x')", "x\xE6\x9C\xAC"},
            {"boolean('')", "false"},
            {"boolean('0')", "true"},
            {"boolean(0)", "false"},
            {"boolean(-0)", "false"},
            {"boolean(0 div 0)", "false"},
            {"boolean(/)", "true"},
            {"boolean(//nothing)", "false"},
            {"not(1)", "false"},
            {"true() and not(false())", "true"},
            {"//p[lang('en')]", "a d"},
            {"//*[lang('EN-gb')]", "r a b s d"},
            {"//*[lang('e')]", ""},
            {"//x:t[lang('de')]", "x:t"},
            {"//x:t[lang('en')]", ""},
            {"number('  12.5 ')", "12.5"},
            {"number('-.5')", "-0.5"},
            {"number('1.')", "1"},
            {"number('1e3')", "NaN"},
            {"number('+1')", "NaN"},
            {"number('')", "NaN"},
            {"number('.')", "NaN"},
            {"number('- 1')", "NaN"},
            {"number(true())", "1"},
            {"number(//p)", "1"},
            {"sum(//p)", "5.5"},
            {"sum(//s)", "NaN"},
            {"sum(//nothing)", "0"},
            {"floor(-1.5)", "-2"},
            {"ceiling(-1.5)", "-1"},
            {"round(-1.5)", "-1"},
            {"round(2.5)", "3"},
            {"round(-0.4)", "0"},
            {"1 div round(-0.4)", "-Infinity"},
            {"1 div round(-0)", "-Infinity"},
            {"round(0 div 0)", "NaN"},
            {"round(1 div 0)", "Infinity"},
            {"floor(0.5) = 0", "true"},
        });
}

// Sections 3.4 and 3.5: comparisons by the types on either side, and
// arithmetic in IEEE doubles.
TEST(XPathComparisons, ByTheTypesOnEitherSide) {
    Parsed doc("<r><n>1</n><n>2</n><n>x</n><m>2</m><m>3</m><e/></r>");
    expect_cases(doc.root, nullptr,
                 {
                     {"1 = '1'", "true"},
                     {"'1.0' = 1", "true"},
                     {"'1.0' = '1'", "false"},
                     {"true() = 'a'", "true"},
                     {"false() = ''", "true"},
                     {"true() = 2", "true"},
                     {"1 < '2'", "true"},
                     {"'a' < 'b'", "false"},
                     {"true() > false()", "true"},
                     {"0 div 0 = 0 div 0", "false"},
                     {"0 div 0 != 0 div 0", "true"},
                     {"1 div 0 > 100000000", "true"},
                     {"//n = 2", "true"},
                     {"//n != 2", "true"},
                     {"//n = 5", "false"},
                     {"//n = 'x'", "true"},
                     {"//n != 'x'", "true"},
                     {"//m != '2'", "true"},
                     {"//e = ''", "true"},
                     {"//e != ''", "false"},
                     {"//n > 1", "true"},
                     {"//n > 2", "false"},
                     {"2 < //n", "false"},
                     {"1 < //n", "true"},
                     {"//n = //m", "true"},
                     {"//n != //m", "true"},
                     {"//e != //e", "false"},
                     {"//n < //m", "true"},
                     {"//m > //n", "true"},
                     {"//m < //n", "false"},
                     {"//n >= //m", "true"},
                     {"//nothing = //nothing", "false"},
                     {"//nothing != //nothing", "false"},
                     {"//nothing = false()", "true"},
                     {"//n = true()", "true"},
                     {"//nothing < 1", "false"},
                     {"//n[. = 'x'] < 5", "false"},
                     {"5 mod 2", "1"},
                     {"5 mod -2", "1"},
                     {"-5 mod 2", "-1"},
                     {"-5 mod -2", "-1"},
                     {"1 div 0", "Infinity"},
                     {"-1 div 0", "-Infinity"},
                     {"0 div 0", "NaN"},
                     {"'a' + 1", "NaN"},
                     {"-//n[1]", "-1"},
                     {"2 - -2", "4"},
                     {"1 + 2 * 3 - 4 div 2", "5"},
                     {"1 = 1 = 1", "true"},
                     {"1 < 2 < 3", "true"},
                     {"3 > 2 > 1", "false"},
                     {"1 or 0 and 0", "true"},
                 });
}

TEST(XPathNumbers, FormattedWithoutExponentAndReadInXPathSyntax) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, const char*>> formats = {
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {-1, "-1"},
        {0.5, "0.5"},
        {-2.5, "-2.5"},
        {100, "100"},
        {1e21, "1000000000000000000000"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e-7, "0.0000001"},
        {1.0 / 3, "0.3333333333333333"},
        {123456789012345680000.0, "123456789012345680000"},
        {nan, "NaN"},
        {infinity, "Infinity"},
        {-infinity, "-Infinity"},
    };
    for (const auto& [value, text] : formats) {
        std::string out;
        append_number_string(value, out);
        EXPECT_EQ(out, text) << value;
    }
    Parsed doc("<r/>");
    expect_cases(doc.root, nullptr,
                 {
                     {"number('007')", "7"},
                     {"number('0.000001')", "0.000001"},
                     {"number('\t-3\n')", "-3"},
                     {"number('1,5')", "NaN"},
                     {"number('0x10')", "NaN"},
                     {"number('Infinity')", "NaN"},
                     {"number('1 2')", "NaN"},
                     {"1000000 * 1000000 * 1000000 * 1000000", "1000000000000000000000000"},
                     {"0.1 * 3", "0.30000000000000004"},
                 });
}

TEST(XPathUnions, InDocumentOrderWithoutDuplicates) {
    Parsed doc(AXES_DOCUMENT);
    expect_cases(
        doc.root, nullptr,
        {
            {"//e | //c | //a", "1 3 5"},
            {"//c | //c | //*[@id='3']", "3"},
            {"//a/text() | //a/@id | //a", "1 @id [t1] [t3]"},
            {"//b/text() | //a/text()", "[t1] [t2] [t3]"},
            {"/ | //e", "/ 5"},
            {"(//b | //d)[2]", "4"},
            {"(//b | //d)/..", "r 1"},
            {"//d/descendant-or-self::node() | //a/descendant::text()", "[t1] [t2] [t3] 4 5"},
            {"count(//node() | //@*)", "14"},
        });
}

// A step from a node-set that mixes kinds (text beside elements, contexts
// inside one another) still gives each node once, in document order.
TEST(XPathSteps, FromContextsOfMixedKindsOnceEachInDocumentOrder) {
    struct StepCase {
        const char* document;
        const char* expression;
        const char* expected;
    };
    const StepCase cases[] = {
        {"<r>t<b><d/></b></r>", "//node()//*[1]", "b d"},
        {"<r>t<b><d/></b></r>", "//.//*[1]", "r b d"},
        {"<r>t<b><d/></b></r>", "//node()/descendant-or-self::node()/child::*[1]", "b d"},
        {"<r>t<a><b/></a><b/></r>", "//node()/child::*", "a b b"},
        {"<r>t<a id='1'><b id='2'/></a><b id='3'/></r>", "//node()/b", "2 3"},
        {"<r>t<a id='1'><b id='2'/></a><b id='3'/></r>", "(//node()/b)[1]", "2"},
        {"<r>t<a id='1'><b id='2'/></a><b id='3'/></r>", "//./b[last()]", "2 3"},
    };
    for (const StepCase& c : cases) {
        Parsed doc(c.document);
        expect_cases(doc.root, nullptr, {{c.expression, c.expected}});
    }
}

TEST(XPathRuns, TypeErrorsAreErrorValuesOfTheRun) {
    Parsed doc(AXES_DOCUMENT);
    SelectBindings bindings;
    bindings.set_number("n", 2);
    bindings.set_string("s", "a");
    bindings.set_boolean("yes", true);
    expect_cases(doc.root, nullptr,
                 {
                     {"$n/a", "error: a path needs a node-set"},
                     {"$s[1]", "error: a predicate needs a node-set"},
                     {"count($s)", "error: count() needs a node-set"},
                     {"sum($n)", "error: sum() needs a node-set"},
                     {"$s | //a", "error: '|' needs node-sets"},
                     {"name($n)", "error: a node function needs a node-set"},
                     {"$n + 1", "3"},
                     {"$yes and $s", "true"},
                     {"string-length($s)", "1"},
                 },
                 bindings);
    // Bound when compiled, gone when run.
    Select select = Select::compile("$n * 2", bindings);
    ASSERT_TRUE(select);
    SelectResult result;
    select.run_from_document(doc.root, result);
    EXPECT_TRUE(result.failed());
    EXPECT_EQ(result.error(), "unbound variable $n");
    EXPECT_EQ(result.kind(), SelectKind::error);
    EXPECT_FALSE(result.boolean());
    EXPECT_TRUE(std::isnan(result.number()));
    select.run_from_document(doc.root, result, bindings);
    EXPECT_EQ(result.number(), 4);
}

TEST(XPathBindings, VariablesOfEveryTypeAndPrefixesByNamespace) {
    Parsed doc(
        "<r xmlns='urn:a' xmlns:b='urn:b'><item id='1'/><b:item id='2'/>"
        "<other xmlns='urn:b'><item id='3'/></other><c:item xmlns:c='urn:a' id='4'/></r>");
    SelectBindings bindings;
    ASSERT_TRUE(bindings.bind_prefix("a", "urn:a"));
    ASSERT_TRUE(bindings.bind_prefix("bee", "urn:b"));
    SelectResult items;
    Select::compile("//item").run_from_document(doc.root, items);
    ASSERT_EQ(items.size(), 2u);
    ASSERT_TRUE(bindings.set_nodes("items", items));
    XmlElement* elements[] = {items.matches()[1].element, items.matches()[0].element};
    ASSERT_TRUE(bindings.set_elements("backwards", elements, 2));
    ASSERT_TRUE(bindings.set_string("id", "3"));
    expect_cases(doc.root, nullptr,
                 {
                     {"//item", "1 3"},  // names as written
                     {"//a:item", "1 4"},
                     {"//bee:item", "2 3"},
                     {"//bee:*", "2 other 3"},
                     {"//b:item", "2"},  // not bound: as written
                     {"count($items)", "2"},
                     {"$backwards", "1 3"},
                     {"$items[2]", "3"},
                     {"$items[@id = $id]/..", "other"},
                     {"$items | //bee:item", "1 2 3"},
                 },
                 bindings);
    ASSERT_TRUE(bindings.set_string("id", "1"));
    expect_cases(doc.root, nullptr, {{"$items[@id = $id]", "1"}}, bindings);
    EXPECT_TRUE(bindings.has_variable("id"));
    EXPECT_FALSE(bindings.has_variable("nothing"));
}

// A temporary result's ranges would dangle: they do not compile.
template <class T, class = void>
struct HasValues : std::false_type {};
template <class T>
struct HasValues<T, std::void_t<decltype(std::declval<T>().values())>> : std::true_type {};
template <class T, class = void>
struct HasBegin : std::false_type {};
template <class T>
struct HasBegin<T, std::void_t<decltype(std::declval<T>().begin())>> : std::true_type {};
template <class T, class = void>
struct HasMatches : std::false_type {};
template <class T>
struct HasMatches<T, std::void_t<decltype(std::declval<T>().matches())>> : std::true_type {};

static_assert(HasValues<SelectResult&>::value && !HasValues<SelectResult&&>::value);
static_assert(HasBegin<const SelectResult&>::value && !HasBegin<SelectResult&&>::value);
static_assert(HasMatches<SelectResult&>::value && !HasMatches<SelectResult>::value);

TEST(XPathResults, ValuesConvertAsXPathSays) {
    Parsed doc("<r><a>1.5</a><a>x</a></r>");
    struct Conversion {
        const char* expression;
        SelectKind kind;
        bool boolean;
        double number;  // NaN: NaN
        const char* string;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Conversion> conversions = {
        {"//a", SelectKind::elements, true, 1.5, "1.5"},
        {"//b", SelectKind::elements, false, nan, ""},
        {"//a/text()", SelectKind::texts, true, 1.5, "1.5"},
        {"/", SelectKind::nodes, true, nan, "1.5x"},
        {"2 div 4", SelectKind::number, true, 0.5, "0.5"},
        {"0 div 0", SelectKind::number, false, nan, "NaN"},
        {"'07'", SelectKind::string, true, 7, "07"},
        {"''", SelectKind::string, false, nan, ""},
        {"1 = 1", SelectKind::boolean, true, 1, "true"},
        {"1 = 2", SelectKind::boolean, false, 0, "false"},
    };
    for (const Conversion& c : conversions) {
        Select select = Select::compile(c.expression);
        EXPECT_EQ(select.kind(), c.kind) << c.expression;
        SelectResult result;
        select.run_from_document(doc.root, result);
        EXPECT_EQ(result.kind(), c.kind) << c.expression;
        EXPECT_EQ(result.boolean(), c.boolean) << c.expression;
        if (std::isnan(c.number)) {
            EXPECT_TRUE(std::isnan(result.number())) << c.expression;
        } else {
            EXPECT_EQ(result.number(), c.number) << c.expression;
        }
        EXPECT_EQ(result.string(), c.string) << c.expression;
    }
    EXPECT_EQ(Select::compile("$x",
                              [] {
                                  SelectBindings b;
                                  b.set_number("x", 1);
                                  return b;
                              }())
                  .kind(),
              SelectKind::any);
}

}  // namespace
