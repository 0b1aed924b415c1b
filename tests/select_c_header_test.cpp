// xmlslice_select.h beside xmlslice_select.hpp in one C++ file: the C
// handles are the C++ objects, so a query, a result or bindings made
// through one interface are used through the other without casts.
#include <gtest/gtest.h>

#include <type_traits>

extern "C" {  // as some hosts include every C header
#include "xmlslice_select.h"
}
#include "xmlslice_select.hpp"

using namespace xmlslice;

static_assert(std::is_same_v<::Select, xmlslice::Select> &&
              std::is_same_v<::SelectResult, xmlslice::SelectResult> &&
              std::is_same_v<::SelectBindings, xmlslice::SelectBindings>);

namespace {

TEST(SelectCHeader, HandlesAreTheCxxObjects) {
    char text[] = "<a><b n='1'/><b n='2'/></a>";
    DocumentHandle root(xmlslice_document_parse_buffer(text, sizeof text - 1));
    SelectBindings* bindings = xmlslice_select_bindings_new();
    ASSERT_TRUE(xmlslice_select_bindings_set_string(bindings, "n", "2"));
    Select query = Select::compile("//b[@n = $n]", *bindings);
    SelectResult* result = xmlslice_select_result_new();
    ASSERT_EQ(xmlslice_select_run_from_document(&query, root.get(), bindings, result),
              XMLSLICE_SELECT_ELEMENTS);
    ASSERT_EQ(result->size(), 1u);
    EXPECT_STREQ(element_attribute_value(result->matches()[0].element, "n"), "2");
    xmlslice_select_result_free(result);
    xmlslice_select_bindings_free(bindings);
}

}  // namespace
