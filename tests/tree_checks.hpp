// Checks the link invariants of element records over a whole tree; shared by
// the tests and the editing fuzz target.
#ifndef XMLSLICE_TESTS_TREE_CHECKS_HPP
#define XMLSLICE_TESTS_TREE_CHECKS_HPP

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::test_support {

// Empty when every parent's three child chains and every parent link hold and
// only group heads carry a next_name_group; otherwise a description of the
// first violation found.
std::string tree_violation(XmlElement* root);

// Empty when every lookup under root (element_first_named and
// element_attribute_value on every element, document_instructions) gives
// what a plain walk of the links and tables gives, for keys of every length
// around the names present: each name with bytes added before or after it
// or its last byte dropped, and runs of tabs up to 9 bytes longer than the
// longest name. Under AddressSanitizer a lookup that reads past a key fails.
std::string lookup_violation(XmlElement* root);

// Whether bytes are UTF-8 that holds only Unicode scalar values, in their
// shortest form.
bool valid_utf8(const char* bytes, std::size_t length);

// Empty when every string of the tree under root and of its document's
// tables (names, texts, attributes, declared defaults, instructions) is
// valid UTF-8; otherwise the first one that is not.
std::string invalid_utf8_string(XmlElement* root);

// Children as "name+offset" words, e.g. "a0 b5", along next_in_order, or
// along the name-group chain.
std::string child_order(XmlElement* parent);
std::string name_groups(XmlElement* parent);

// What element_to_text writes for the element, "<null>" for a null result.
std::string written(XmlElement* element);

// Adds children from words like "a0 b5 c10" (one-letter names, offsets) in
// that order and returns them.
std::vector<XmlElement*> add_children(XmlElement* parent, const char* words);

// A malloc'd copy of slots, for hand-built tables that element_free releases.
template <class T>
T* heap_table(std::initializer_list<T> slots) {
    auto* table = static_cast<T*>(std::malloc(slots.size() * sizeof(T)));
    std::copy(slots.begin(), slots.end(), table);
    return table;
}

}  // namespace xmlslice::test_support

#endif
