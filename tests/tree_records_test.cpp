#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "free_log.hpp"
#include "tree/tables.hpp"
#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;
using detail::attribute_list_new;
using test_support::add_children;
using test_support::child_order;
using test_support::FreeLog;
using test_support::heap_table;
using test_support::name_groups;
using test_support::tree_violation;

namespace {

XmlDocument* document(XmlElement* root) {
    return reinterpret_cast<XmlDocument*>(root);
}

char* heap_string(const char* text) {
    return strdup(text);
}

}  // namespace

// What a host may rely on in a document it builds: the name is stored, not
// copied, every list is the shared empty one, and the entity table holds the
// five predefined entities the writer's output refers to.
TEST(Document, NewDocumentIsEmpty) {
    static char name[] = "root";
    XmlElement* root = document_new(name);
    XmlDocument* doc = document(root);
    const struct {
        const char* field;
        const void* value;
        const void* expected;
    } pointers[] = {
        {"name", root->name, name},
        {"parent", root->parent, nullptr},
        {"first_child", root->first_child, nullptr},
        {"current_element", doc->current_element, root},
        {"attributes", root->attributes, empty_list},
        {"instructions", doc->instructions, empty_list},
        {"attribute_defaults", doc->attribute_defaults, empty_list},
    };
    for (const auto& p : pointers) EXPECT_EQ(p.value, p.expected) << p.field;
    EXPECT_STREQ(root->text, "");
    EXPECT_STREQ(doc->error, "");
    EXPECT_EQ(root->flags | doc->mapped_length, 0u);
    const char* entities[] = {"lt;",   "&#60;", "gt;",   "&#62;", "quot;",
                              "&#34;", "apos;", "&#39;", "amp;",  "&#38;"};
    for (int i = 0; i < 10; ++i) EXPECT_STREQ(doc->entities[i], entities[i]) << i;
    EXPECT_EQ(doc->entities[10], nullptr);
    element_free(root);
}

TEST(Document, NullsAndSharedEmptyListAreIgnored) {
    element_free(nullptr);
    attribute_list_free(nullptr);
    attribute_list_free(const_cast<AttributeList>(empty_list));
    EXPECT_EQ(empty_list[0], nullptr);
    EXPECT_EQ(element_add_child(nullptr, "a", 0), nullptr);
    XmlElement* root = document_new(nullptr);
    static char name[] = "a";
    XmlElement* a = element_add_child(root, name, 3);
    EXPECT_EQ(a->name, name);  // stored, not copied, not owned
    EXPECT_EQ(a->flags, 0);
    EXPECT_EQ(a->parent, root);
    EXPECT_EQ(a->offset, 3u);
    element_free(root);
}

struct InsertCase {
    const char* inserted;
    const char* order;
    const char* groups;
};

void PrintTo(const InsertCase& c, std::ostream* out) {
    *out << c.inserted;
}

class Insert : public ::testing::TestWithParam<InsertCase> {};

TEST_P(Insert, KeepsAllThreeChains) {
    XmlElement* root = document_new("r");
    add_children(root, GetParam().inserted);
    EXPECT_EQ(child_order(root), GetParam().order);
    EXPECT_EQ(name_groups(root), GetParam().groups);
    EXPECT_EQ(tree_violation(root), "");
    element_free(root);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Insert,
    ::testing::Values(InsertCase{"a0 b0 a0", "a0 b0 a0", "a0 b0"},
                      InsertCase{"a5 b7 a2", "a2 a5 b7", "a2 b7"},  // new first child heads a
                      InsertCase{"a0 b5 c10 c3", "a0 c3 b5 c10", "a0 c3 b5"},
                      InsertCase{"a0 b5 c6 b1", "a0 b1 b5 c6", "a0 b1 c6"},  // head moves up
                      InsertCase{"c4 b4 a4 b2 a1", "a1 b2 c4 b4 a4", "a1 b2 c4"},
                      InsertCase{"a3 a3 b3 a1 a3", "a1 a3 a3 b3 a3", "a1 b3"},
                      InsertCase{"b9 a9 b9 a2 b2", "a2 b2 b9 a9 b9", "a2 b2"}));

TEST(Insert, EqualOffsetsKeepInsertionOrder) {
    XmlElement* root = document_new("r");
    auto kids = add_children(root, "a4 b4 a4 a0 a4");
    EXPECT_EQ(root->first_child, kids[3]);
    EXPECT_EQ(element_nth_same_name(kids[3], 1), kids[0]);
    EXPECT_EQ(element_nth_same_name(kids[3], 2), kids[2]);
    EXPECT_EQ(element_nth_same_name(kids[3], 3), kids[4]);
    EXPECT_EQ(kids[3]->next_name_group, kids[1]);
    EXPECT_EQ(tree_violation(root), "");
    element_free(root);
}

// A million levels deep are freed by the writer's deep test.
TEST(Free, MillionChildren) {
    constexpr std::size_t count = 1000000;
    XmlElement* wide = document_new("wide");
    // Falling offsets put each child in front, so building stays linear.
    for (std::size_t i = count; i > 0; --i) element_add_child(wide, "c", i);
    EXPECT_EQ(wide->first_child->offset, 1u);
    element_free(wide);
}

TEST(Free, BuiltDocumentLeavesCallerSource) {
    char source[] = "<r/>";  // a free() of this stack buffer would abort under ASan
    XmlElement* root = document_new("r");
    document(root)->source = source;
    element_free(root);
    EXPECT_STREQ(source, "<r/>");
}

TEST(Free, ReleasesTablesAndOwnedBuffers) {
    XmlElement* root = document_new("r");
    XmlDocument* doc = document(root);
    char* text = heap_string("in-text default");
    doc->source = text;
    doc->mapped_length = ~std::size_t(0);
    doc->text_start = text;
    doc->text_end = text + std::strlen(text);
    doc->converted = heap_string("converted");
    doc->entities = static_cast<char**>(std::realloc(doc->entities, 15 * sizeof(char*)));
    doc->entities[10] = const_cast<char*>("e;");
    char* entity_value = doc->entities[11] = heap_string("heap value");
    doc->entities[12] = const_cast<char*>("f;");
    doc->entities[13] = text + 3;  // a piece of the text: not freed alone
    doc->entities[14] = nullptr;
    char* default_value = heap_string("1");
    char** defaults = heap_table<char*>(
        {const_cast<char*>("r"), const_cast<char*>("x"), default_value, const_cast<char*>(" "),
         const_cast<char*>("y"), nullptr, const_cast<char*>("*"), const_cast<char*>("z"), text,
         const_cast<char*>(" "), nullptr});
    doc->attribute_defaults = heap_table<char**>({defaults, nullptr});
    char* positions = heap_string("<");
    char** pis =
        heap_table<char*>({const_cast<char*>("t"), const_cast<char*>("one"), nullptr, positions});
    doc->instructions = heap_table<char**>({pis, nullptr});
    const void* blocks[] = {
        text,     doc->converted,          doc->entities, entity_value, default_value,
        defaults, doc->attribute_defaults, positions,     pis,          doc->instructions,
        root};
    FreeLog log;
    element_free(root);
    for (const void* block : blocks) EXPECT_TRUE(log.freed(block));
    EXPECT_EQ(log.freed().size(), std::size(blocks));  // nothing in the text, nothing twice
}

TEST(Free, UnmapsMappedSource) {
    long page = sysconf(_SC_PAGESIZE);
    void* map = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    XmlElement* root = document_new("r");
    document(root)->source = static_cast<char*>(map);
    document(root)->mapped_length = page;
    element_free(root);
    // mincore, unlike msync, probes an unmapped range without upsetting memcheck.
    unsigned char resident;
    EXPECT_EQ(mincore(map, page, &resident), -1);
    EXPECT_EQ(errno, ENOMEM);
}

TEST(Free, AttributeListFreesOwnedStrings) {
    // A host's list with an ownership string of its own...
    char* owned[] = {heap_string("n"), heap_string("w"), heap_string("o"), heap_string("x")};
    char* ownership = heap_string("\x80\x40\xC0 ");
    char** list = heap_table<char*>({owned[0], const_cast<char*>("v"), const_cast<char*>("m"),
                                     owned[1], owned[2], owned[3], const_cast<char*>("p"),
                                     const_cast<char*>("y"), nullptr, ownership});
    {
        FreeLog log;
        attribute_list_free(list);
        EXPECT_EQ(log.freed(), (std::vector<const void*>{owned[0], owned[1], owned[2], owned[3],
                                                         ownership, list}));
    }
    // ...and one whose ownership string lies in its own block.
    AttributeList one_block = attribute_list_new(1);
    one_block[0] = heap_string("a");
    one_block[1] = const_cast<char*>("b");
    one_block[3][0] = static_cast<char>(0x80);
    const void* name = one_block[0];
    FreeLog log;
    attribute_list_free(one_block);
    EXPECT_EQ(log.freed(), (std::vector<const void*>{name, one_block}));
}
