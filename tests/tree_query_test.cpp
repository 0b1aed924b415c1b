#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using test_support::add_children;
using test_support::heap_table;

namespace {

char* literal(const char* text) {
    return const_cast<char*>(text);
}

// An attribute list of borrowed strings: pairs, null, ownership string.
AttributeList borrowed_attributes(std::initializer_list<char*> pairs) {
    std::size_t count = pairs.size() / 2;
    auto* list = static_cast<char**>(std::malloc((pairs.size() + 2) * sizeof(char*)));
    std::copy(pairs.begin(), pairs.end(), list);
    list[2 * count] = nullptr;
    list[2 * count + 1] = static_cast<char*>(std::malloc(count + 1));
    std::memset(list[2 * count + 1], ' ', count);
    list[2 * count + 1][count] = '\0';
    return list;
}

// Runs a path lookup and then reads one more int, which must be the int the
// caller put right after the path's terminator.
XmlElement* path_then_sentinel(int* sentinel, XmlElement* element, ...) {
    std::va_list args;
    va_start(args, element);
    XmlElement* found = element_find_path_list(element, args);
    *sentinel = va_arg(args, int);
    va_end(args);
    return found;
}

class Query : public ::testing::Test {
  protected:
    void SetUp() override {
        root = document_new("r");
        kids = add_children(root, "a0 b0 a0");
        inner = add_children(kids[2], "b0 c0 b0 b1");
    }
    void TearDown() override { element_free(root); }
    XmlElement* root;
    std::vector<XmlElement*> kids, inner;
};

}  // namespace

TEST_F(Query, FirstNamedAndNthSameName) {
    EXPECT_EQ(element_first_named(nullptr, "a"), nullptr);
    EXPECT_EQ(element_first_named(kids[1], "a"), nullptr);  // no children
    EXPECT_EQ(element_first_named(root, "z"), nullptr);
    XmlElement* a = element_first_named(root, "a");
    EXPECT_EQ(a, kids[0]);
    EXPECT_EQ(element_first_named(root, "b"), kids[1]);
    EXPECT_EQ(element_nth_same_name(a, 0), kids[0]);
    EXPECT_EQ(element_nth_same_name(a, 1), kids[2]);
    EXPECT_EQ(element_nth_same_name(a, 2), nullptr);
    EXPECT_EQ(element_nth_same_name(a, -1), nullptr);
    EXPECT_EQ(element_nth_same_name(nullptr, 0), nullptr);
}

TEST_F(Query, PathTerminatorsAndSteps) {
    EXPECT_EQ(element_find_path(root, ""), root);
    EXPECT_EQ(element_find_path(root, nullptr), root);
    EXPECT_EQ(element_find_path(nullptr, ""), nullptr);
    EXPECT_EQ(element_find_path(root, "a", 1, "b", -1), inner[0]);
    EXPECT_EQ(element_find_path(root, "a", 1, "b", 0, ""), inner[0]);
    EXPECT_EQ(element_find_path(root, "a", 1, "b", 2, nullptr), inner[3]);
    EXPECT_EQ(element_find_path(root, "a", 1, "b", 3, ""), nullptr);   // past the run
    EXPECT_EQ(element_find_path(root, "a", -1, "b", 0, ""), kids[0]);  // ends at the first a
    EXPECT_EQ(element_find_path(root, "z", 0, "b", 0, ""), nullptr);
}

TEST_F(Query, PathReadsExactlyUpToTheTerminator) {
    // Only where a va_list is an array is its position shared with the caller.
    if (!std::is_array<std::va_list>::value) GTEST_SKIP();
    int next = 0;
    EXPECT_EQ(path_then_sentinel(&next, root, "", 7), root);
    EXPECT_EQ(next, 7);
    EXPECT_EQ(path_then_sentinel(&next, root, "a", -1, 8), kids[0]);
    EXPECT_EQ(next, 8);
    EXPECT_EQ(path_then_sentinel(&next, root, "z", 0, "a", 1, "b", 0, nullptr, 9), nullptr);
    EXPECT_EQ(next, 9);
}

TEST_F(Query, AttributeValuesAndDeclaredDefaults) {
    char* one = literal("1");
    char* first = literal("first");
    kids[0]->attributes = borrowed_attributes(
        {literal("x"), one, literal("d"), first, literal("d"), literal("second")});
    char* x_default = strdup("dx");
    char* y_default = strdup("dy");
    char** for_a =
        heap_table<char*>({literal("a"), literal("x"), x_default, literal(" "), literal("y"),
                           y_default, literal("*"), literal("n"), nullptr, literal(" "), nullptr});
    reinterpret_cast<XmlDocument*>(root)->attribute_defaults = heap_table<char**>(
        {for_a,
         heap_table<char*>({literal("a"), literal("z"), strdup("late"), literal(" "), nullptr}),
         nullptr});

    EXPECT_EQ(element_attribute_value(nullptr, "x"), nullptr);
    EXPECT_EQ(element_attribute_value(kids[0], "x"), one);  // own value beats the default
    EXPECT_EQ(element_attribute_value(kids[0], "d"), first);
    EXPECT_EQ(element_attribute_value(kids[2], "x"), x_default);
    EXPECT_EQ(element_attribute_value(kids[2], "y"), y_default);
    EXPECT_EQ(element_attribute_value(kids[2], "n"), nullptr);  // declared without default
    EXPECT_EQ(element_attribute_value(kids[2], "z"), nullptr);  // only the first list counts
    EXPECT_EQ(element_attribute_value(kids[1], "x"), nullptr);
    EXPECT_EQ(element_attribute_value(inner[0], "x"), nullptr);

    kids[0]->name = nullptr;  // a null name matches no declaration
    EXPECT_EQ(element_attribute_value(kids[0], "x"), one);
    EXPECT_EQ(element_attribute_value(kids[0], "y"), nullptr);
    kids[0]->name = literal("a");
}

TEST_F(Query, InstructionsAndErrorTextFromAnyElement) {
    EXPECT_EQ(document_instructions(nullptr, "t"), empty_list);
    EXPECT_EQ(document_instructions(root, "t"), empty_list);
    EXPECT_STREQ(document_error_text(nullptr), "");
    EXPECT_STREQ(document_error_text(inner[1]), "");

    char** list =
        heap_table<char*>({literal("t"), literal("one"), literal("two"), nullptr, strdup("<>")});
    auto* doc = reinterpret_cast<XmlDocument*>(root);
    doc->instructions = heap_table<char**>({list, nullptr});
    std::strcpy(doc->error, "[error near line 3]: oops");
    EXPECT_EQ(document_instructions(inner[1], "t"), list + 1);
    EXPECT_EQ(document_instructions(root, "t"), list + 1);
    EXPECT_EQ(document_instructions(root, "xml"), empty_list);
    EXPECT_EQ(document_error_text(inner[1]), doc->error);
    EXPECT_EQ(document_error_text(root), doc->error);
}
