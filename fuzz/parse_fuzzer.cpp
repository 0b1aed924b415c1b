// Arbitrary bytes through the parser, then every query on every element and
// the writer. Query results are checked against the links they must follow.
#include <climits>

#include "fuzz_support.hpp"
#include "parser/text_decode.hpp"
#include "tree_checks.hpp"

using namespace xmlslice;
using xmlslice::fuzz::fail;

namespace {

// No parsed name or target holds a tab: the scanner splits at tabs.
const char missing[] = "no\tsuch";

void check_same_name_steps(XmlElement* head) {
    const int steps[] = {0, 1, 2, 7, -1, INT_MIN};
    for (int n : steps) {
        XmlElement* expected = head;
        for (int k = 0; expected && k < n; ++k) expected = expected->next_same_name;
        XmlElement* found = element_nth_same_name(head, n);
        if (n >= 0 && found != expected) fail("element_nth_same_name", std::to_string(n));
        if (n < 0 && found) fail("element_nth_same_name with a negative step");
    }
}

void check_children(XmlElement* e) {
    for (XmlElement* c = e->first_child; c; c = c->next_in_order) {
        XmlElement* head = element_first_named(e, c->name);
        if (!head || std::strcmp(head->name, c->name) != 0 || head->offset > c->offset)
            fail("element_first_named", c->name);
        if (c == head) check_same_name_steps(head);
        if (element_find_path(e, c->name, 0, "") != head) fail("element_find_path (name, 0)");
        if (element_find_path(e, c->name, 1, nullptr) != head->next_same_name)
            fail("element_find_path (name, 1)");
        if (XmlElement* g = c->first_child) {
            XmlElement* below = element_first_named(head, g->name);
            if (element_find_path(e, c->name, -1, g->name, 0, "") != head)
                fail("element_find_path stops at a negative index");
            if (element_find_path(e, c->name, 0, g->name, -1) != below)
                fail("element_find_path two steps");
        }
        if (element_find_path(e, missing, 0, c->name, 0, "")) fail("element_find_path missing");
    }
    if (element_first_named(e, missing)) fail("element_first_named missing");
}

void check_attributes(XmlElement* e) {
    for (char** pair = e->attributes; *pair; pair += 2) {
        char** first = e->attributes;
        while (std::strcmp(*first, *pair) != 0) first += 2;
        if (element_attribute_value(e, *pair) != first[1]) fail("element_attribute_value", *pair);
    }
    if (element_attribute_value(e, missing)) fail("element_attribute_value missing");
}

void check_document(XmlElement* root) {
    const char* error = document_error_text(root);
    if (*error && std::strncmp(error, "[error near line ", 17) != 0) fail("error text", error);
    auto* document = reinterpret_cast<XmlDocument*>(root);
    for (char*** list = document->instructions; *list; ++list)
        if (document_instructions(root, (*list)[0]) != *list + 1)
            fail("document_instructions", (*list)[0]);
    if (*document_instructions(root, missing) || *document_instructions(root, "xml"))
        fail("document_instructions for a missing target");
}

// UTF-16 after a byte-order mark with every surrogate paired, or any bytes
// under a declared single-byte encoding, or UTF-8 of scalar values only.
bool valid_input(const std::uint8_t* data, std::size_t size) {
    const char* name;
    std::size_t length;
    switch (detail::input_encoding(reinterpret_cast<const char*>(data), size, name, length)) {
        case detail::InputEncoding::latin1:
        case detail::InputEncoding::windows_1252:
            return true;
        case detail::InputEncoding::utf16_big:
        case detail::InputEncoding::utf16_little: {
            std::size_t high = data[0] == 0xFE ? 0 : 1;
            bool expect_low = false;
            for (std::size_t at = 2; at + 1 < size; at += 2) {
                unsigned unit = data[at + high] << 8 | data[at + 1 - high];
                bool low = unit >= 0xDC00 && unit <= 0xDFFF;
                if (low != expect_low) return false;
                expect_low = unit >= 0xD800 && unit <= 0xDBFF;
            }
            return !expect_low;
        }
        default:
            return test_support::valid_utf8(reinterpret_cast<const char*>(data), size);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Parsed parsed(fuzz::bytes_of(data, size));
    XmlElement* root = parsed.root;
    std::string violation = test_support::tree_violation(root);
    if (!violation.empty()) fail("link invariants after a parse", violation);
    check_document(root);
    if (valid_input(data, size)) {
        std::string invalid = test_support::invalid_utf8_string(root);
        if (!invalid.empty()) fail("invalid UTF-8 in the tree of a valid input", invalid);
    }
    std::string lookups = test_support::lookup_violation(root);
    if (!lookups.empty()) fail("a lookup with a key around the names present", lookups);
    for (XmlElement* e : fuzz::elements_under(root)) {
        check_children(e);
        check_attributes(e);
        if (document_error_text(e) != document_error_text(root)) fail("error text from a child");
    }
    fuzz::written(root);
    if (root->first_child) fuzz::written(root->first_child);
    return 0;
}
