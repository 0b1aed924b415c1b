#include <gtest/gtest.h>

#include "tree_checks.hpp"
#include "xmlslice.hpp"

using namespace xmlslice;

TEST(Smoke, BuildQueryFree) {
    XmlElement* root = document_new("r");
    XmlElement* a = element_add_child(root, "a", 0);
    element_add_child(root, "b", 0);
    XmlElement* a2 = element_add_child(root, "a", 0);
    EXPECT_EQ(element_first_named(root, "a"), a);
    EXPECT_EQ(element_nth_same_name(a, 1), a2);
    EXPECT_EQ(test_support::tree_violation(root), "");
    element_free(root);
}
