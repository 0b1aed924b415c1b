// The C++ handles and range-for views of the public header.
#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice {
namespace {

std::vector<std::string> names_of(ChildRange range) {
    std::vector<std::string> names;
    for (XmlElement* element : range) names.push_back(element->name);
    return names;
}

TEST(Conveniences, HandlesOwnDocumentsAndText) {
    char text[] = "<a x='1'>t<b/>u</a>";
    DocumentHandle root = parse_buffer(text, sizeof text - 1);
    ASSERT_TRUE(root);
    TextHandle out = to_text(root.get());
    EXPECT_STREQ(out.get(), "<a x=\"1\">t<b></b>u</a>");

    EXPECT_FALSE(parse_path("/nonexistent/xmlslice.xml"));
    EXPECT_FALSE(parse_descriptor(-1));
    std::FILE* file = std::tmpfile();
    ASSERT_TRUE(file);
    std::fputs("<a x='1'>t<b/>u</a>", file);
    std::fflush(file);
    // The descriptor stays open: the document needs it no longer.
    DocumentHandle from_descriptor = parse_descriptor(fileno(file));
    EXPECT_EQ(std::fclose(file), 0);
    EXPECT_STREQ(to_text(from_descriptor.get()).get(), out.get());

    // A detached element is the host's: the handle frees it and its subtree.
    DocumentHandle detached(element_detach(element_first_named(root.get(), "b")));
    EXPECT_EQ(root->first_child, nullptr);
    static_assert(noexcept(to_text(nullptr))&& noexcept(parse_path("")));
    static_assert(noexcept(parse_descriptor(0)));
}

TEST(Conveniences, ChildrenAreInDocumentOrderNotInsertionOrder) {
    DocumentHandle root(document_new("r"));
    element_add_child(root.get(), "c", 10);
    element_add_child(root.get(), "a", 0);
    element_add_child(root.get(), "b", 5);
    EXPECT_EQ(names_of(children(root.get())), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(children(element_first_named(root.get(), "a")).empty());
    EXPECT_TRUE(children(nullptr).empty());
}

TEST(Conveniences, SameNameRunsFollowOneName) {
    char text[] = "<r><a n='1'/><b/><a n='2'/><a n='3'/></r>";
    DocumentHandle root = parse_buffer(text, sizeof text - 1);
    std::string seen;
    for (XmlElement* a : children_named(root.get(), "a")) seen += element_attribute_value(a, "n");
    EXPECT_EQ(seen, "123");

    SameNameRange from_second = same_name_run(element_nth_same_name(root->first_child, 1));
    EXPECT_EQ(std::distance(from_second.begin(), from_second.end()), 2);
    EXPECT_TRUE(children_named(root.get(), "z").empty());
    EXPECT_TRUE(same_name_run(nullptr).empty());
}

TEST(Conveniences, AttributesAreStoredPairsInListOrder) {
    char text[] = "<e b='2' a='1' b='again' empty=''/>";
    DocumentHandle root = parse_buffer(text, sizeof text - 1);
    std::vector<std::pair<std::string, std::string>> seen;
    for (auto [name, value] : attributes(root.get())) seen.emplace_back(name, value);
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, std::string>>{
                        {"b", "2"}, {"a", "1"}, {"b", "again"}, {"empty", ""}}));

    AttributeRange range = attributes(root.get());
    auto second = std::next(range.begin());
    EXPECT_NE(range.begin(), second);
    EXPECT_EQ((*second).first, "a");

    // Removing every attribute leaves the element its own empty list.
    for (const char* name : {"b", "a", "b", "empty"})
        element_set_attribute(root.get(), name, nullptr);
    EXPECT_NE(root->attributes, empty_list);
    EXPECT_TRUE(attributes(root.get()).empty());
    EXPECT_TRUE(attributes(nullptr).empty());
}

}  // namespace
}  // namespace xmlslice
