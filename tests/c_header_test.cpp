// xmlslice.h beside xmlslice.hpp in one C++ file: the C names are the C++
// types, so a document passes between the two interfaces without casts,
// and a using-directive leaves the unqualified names unambiguous.
#include <gtest/gtest.h>

#include <type_traits>

extern "C" {  // as some hosts include every C header
#include "xmlslice.h"
}
#include "xmlslice.hpp"

using namespace xmlslice;

static_assert(std::is_same_v<::XmlElement, xmlslice::XmlElement>);
static_assert(std::is_same_v<::XmlDocument, xmlslice::XmlDocument>);
static_assert(std::is_same_v<::AttributeList, xmlslice::AttributeList> &&
              std::is_same_v<::EntityTable, xmlslice::EntityTable> &&
              std::is_same_v<::AttributeDefaultTable, xmlslice::AttributeDefaultTable> &&
              std::is_same_v<::InstructionTable, xmlslice::InstructionTable>);

namespace {

TEST(CHeader, SharesOneDocumentWithTheCxxInterface) {
    char text[] = "<a x='1'><b/><b y='2'/></a>";
    DocumentHandle root(xmlslice_document_parse_buffer(text, sizeof text - 1));
    XmlElement* first = element_first_named(root.get(), "b");
    XmlElement* second = xmlslice_element_nth_same_name(first, 1);
    EXPECT_EQ(second, element_find_path(root.get(), "b", 1, ""));
    EXPECT_STREQ(xmlslice_element_attribute_value(second, "y"), "2");
    EXPECT_EQ(first->attributes, xmlslice_empty_list);
    EXPECT_EQ(xmlslice_empty_list, empty_list);

    xmlslice_element_set_text(first, "t");
    TextHandle out(xmlslice_element_to_text(root.get()));
    EXPECT_STREQ(out.get(), "<a x=\"1\"><b>t</b><b y=\"2\"></b></a>");
}

}  // namespace
