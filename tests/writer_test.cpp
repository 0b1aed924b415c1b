#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using test_support::written;

namespace {

using Strings = std::vector<const char*>;

char* text(const char* literal) {
    return const_cast<char*>(literal);
}

// A heap copy of items with a null slot and one spare slot after them.
template <class T>
T* heap_array(const std::vector<T>& items) {
    auto* array = static_cast<T*>(std::calloc(items.size() + 2, sizeof(T)));
    std::copy(items.begin(), items.end(), array);
    return array;
}

char** heap_strings(const Strings& items) {
    return const_cast<char**>(heap_array(items));
}

// name, value, name, value, ...; the strings stay the caller's.
void set_attributes(XmlElement* element, const Strings& names_values) {
    char** list = heap_strings(names_values);
    list[names_values.size() + 1] = strdup(std::string(names_values.size() / 2, ' ').c_str());
    element->attributes = list;
}

// Each list: element name, then (attribute, default or null, marker) triples.
// Defaults go to the heap, where the document frees them.
void set_defaults(XmlElement* root, const std::vector<Strings>& lists) {
    std::vector<char**> table;
    for (Strings list : lists) {
        for (std::size_t k = 2; k < list.size(); k += 3)
            if (list[k]) list[k] = strdup(list[k]);
        table.push_back(heap_strings(list));
    }
    reinterpret_cast<XmlDocument*>(root)->attribute_defaults = heap_array(table);
}

struct Target {
    const char* name;
    Strings texts;
    const char* positions;
};

void set_instructions(XmlElement* root, const std::vector<Target>& targets) {
    std::vector<char**> table;
    for (const Target& target : targets) {
        Strings list{target.name};
        list.insert(list.end(), target.texts.begin(), target.texts.end());
        table.push_back(heap_strings(list));
        table.back()[list.size() + 1] = strdup(target.positions);
    }
    reinterpret_cast<XmlDocument*>(root)->instructions = heap_array(table);
}

}  // namespace

TEST(Writer, NullOrNamelessRootGivesEmptyText) {
    EXPECT_EQ(written(nullptr), "");
    XmlElement* root = document_new(nullptr);
    set_instructions(root, {{"a", {"1"}, "<"}});
    EXPECT_EQ(written(root), "");
    element_free(root);
}

TEST(Writer, EscapesContentAndAttributeValues) {
    XmlElement* root = document_new("r");
    root->text = text("\t\n\"'\r&<>\xC3\xA9");
    set_attributes(root, {"v", "\t\n\"'\r&<>\xC3\xA9"});
    EXPECT_EQ(written(root),
              "<r v=\"&#x9;&#xA;&quot;'&#xD;&amp;&lt;&gt;\xC3\xA9\">"
              "\t\n\"'&#xD;&amp;&lt;&gt;\xC3\xA9</r>");
    element_free(root);
}

TEST(Writer, LongTextsCrossGrowthSteps) {
    std::string source, expected = "<r>";
    for (int i = 0; i < 3000; ++i) source += i % 97 == 0 ? "&" : i % 89 == 0 ? "\r" : "x";
    for (char c : source) expected += c == '&' ? "&amp;" : c == '\r' ? "&#xD;" : std::string(1, c);
    XmlElement* root = document_new("r");
    root->text = text(source.c_str());
    EXPECT_EQ(written(root), expected + "</r>");
    element_free(root);
}

TEST(Writer, OwnAttributesOnceThenDeclaredDefaults) {
    XmlElement* root = document_new("r");
    XmlElement* e = element_add_child(root, "e", 0);
    set_attributes(e, {"q", "own", "q", "again"});
    set_defaults(root, {{"e", "p", "dp", " ", "q", "dq", " ", "r", nullptr, "*", "p", "p2", " "},
                        {"e", "s", "ds", " "}});
    const char* expected = "<e q=\"own\" p=\"dp\"></e>";
    EXPECT_EQ(written(root), std::string("<r>") + expected + "</r>");
    EXPECT_EQ(written(e), expected);
    root->first_child = nullptr;  // detached by hand: e keeps its parent link
    EXPECT_EQ(written(e), expected);
    element_free(e);
    element_free(root);
}

TEST(Writer, ManyDeclaredElementNamesFirstListWins) {
    XmlElement* root = document_new("n15");
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("n" + std::to_string(i));
    std::vector<Strings> lists;
    for (const std::string& name : names) lists.push_back({name.c_str(), "a", name.c_str(), " "});
    lists.push_back({"n15", "b", "late", " "});
    set_defaults(root, lists);
    EXPECT_EQ(written(root), "<n15 a=\"n15\"></n15>");
    element_free(root);
}

// Equal offsets follow each other; children beyond the end of a shortened
// text follow it, and the text of the levels around them goes on.
TEST(Writer, TextInterleavedWithChildrenByOffset) {
    XmlElement* root = document_new("r");
    root->text = text("abc");
    element_add_child(root, "x", 0);
    element_add_child(root, "y", 2);
    XmlElement* z = element_add_child(root, "z", 2);
    z->text = text("t");
    element_add_child(z, "b", 9);
    element_add_child(z, "c", 12)->text = text("in c");
    element_add_child(root, "d", 3);
    EXPECT_EQ(written(root), "<r><x></x>ab<y></y><z>t<b></b><c>in c</c></z>c<d></d></r>");
    element_free(root);
}

TEST(Writer, InnerElementAloneWithLinksRestored) {
    XmlElement* root = document_new("r");
    root->text = text("xyz");
    set_instructions(root, {{"p", {"i"}, "<"}});
    XmlElement* a = element_add_child(root, "a", 1);
    XmlElement* b = element_add_child(root, "b", 2);
    element_add_child(a, "c", 0);
    EXPECT_EQ(written(a), "<a><c></c></a>");
    EXPECT_EQ(a->parent, root);
    EXPECT_EQ(a->next_in_order, b);
    EXPECT_EQ(test_support::tree_violation(root), "");
    EXPECT_EQ(written(root), "<?p i?>\n<r>x<a><c></c></a>y<b></b>z</r>");
    element_free(root);
}

TEST(Writer, InstructionsGroupedByTargetAroundRoot) {
    XmlElement* root = document_new("r");
    set_instructions(root, {{"a", {"1", "x", "2"}, "<<>"}, {"b", {""}, "<"}, {"c", {"3"}, ">"}});
    EXPECT_EQ(written(root), "<?a 1?>\n<?a x?>\n<?b?>\n<r></r>\n<?a 2?>\n<?c 3?>");
    element_free(root);
}

// Written and freed without recursion.
TEST(Writer, MillionLevelsDeep) {
    constexpr int depth = 1000000;
    XmlElement* root = document_new("d");
    XmlElement* deepest = root;
    for (int i = 1; i < depth; ++i) deepest = element_add_child(deepest, "d", 0);
    deepest->text = text("&");
    std::string expected;
    for (int i = 0; i < depth; ++i) expected += "<d>";
    expected += "&amp;";
    for (int i = 0; i < depth; ++i) expected += "</d>";
    EXPECT_TRUE(written(root) == expected);
    element_free(root);
}

TEST(Writer, HundredThousandAttributesAndDeclarations) {
    constexpr int count = 100000;
    std::vector<std::string> names, values;
    for (int i = 0; i < count; ++i) {
        names.push_back("a" + std::to_string(i % (count / 2)));  // every name twice
        values.push_back(std::to_string(i));
    }
    Strings own, declared{"e"};
    for (int i = 0; i < count; ++i) own.insert(own.end(), {names[i].c_str(), values[i].c_str()});
    std::vector<std::string> declared_names;
    for (int i = 0; i < count; ++i) declared_names.push_back("a" + std::to_string(i * 7 % 90000));
    for (int i = 0; i < count; ++i)
        declared.insert(declared.end(),
                        {declared_names[i].c_str(), i % 10 ? values[i].c_str() : nullptr, " "});

    std::unordered_set<std::string> seen;
    std::string expected = "<e";
    for (int i = 0; i < count; ++i)
        if (seen.insert(names[i]).second) expected += " " + names[i] + "=\"" + values[i] + "\"";
    for (int i = 0; i < count; ++i)
        if (seen.insert(declared_names[i]).second && i % 10)
            expected += " " + declared_names[i] + "=\"" + values[i] + "\"";
    expected += "></e>";

    XmlElement* root = document_new("e");
    set_attributes(root, own);
    set_defaults(root, {declared});
    EXPECT_TRUE(written(root) == expected);
    element_free(root);
}
