// Shared helpers for the element records: the static empty string, the
// attribute ownership bytes and the way from an element to its document.
#ifndef XMLSLICE_TREE_INTERNAL_HPP
#define XMLSLICE_TREE_INTERNAL_HPP

#include <cstddef>
#include <cstring>

#include "xmlslice.hpp"

namespace xmlslice::detail {

// The one static "" that stands for every absent text and value; never freed.
extern const char empty_string[1];
inline char* empty_text() {
    return const_cast<char*>(empty_string);
}

// empty_list is read-only; tables that are still empty point at it.
inline char** empty_table() {
    return const_cast<char**>(empty_list);
}
inline char*** empty_table3() {
    return reinterpret_cast<char***>(empty_table());
}
inline bool is_empty_list(const void* table) {
    return table == static_cast<const void*>(empty_list);
}

// Bits of an attribute's ownership byte.
constexpr unsigned char OWNS_NAME = 0x80;
constexpr unsigned char OWNS_VALUE = 0x40;
constexpr unsigned char OWNS_NOTHING = 0x20;

// The element with no parent at the top of the chain is the document.
inline XmlDocument* document_of(XmlElement* element) {
    while (element->parent) element = element->parent;
    return reinterpret_cast<XmlDocument*>(element);
}

// Names compare as exact byte strings; a missing name equals only another.
inline bool names_equal(const char* a, const char* b) {
    return a && b ? std::strcmp(a, b) == 0 : a == b;
}

// Number of name/value pairs in an attribute list (empty_list has none).
inline std::size_t attribute_count(AttributeList list) {
    std::size_t slot = 0;
    while (list[slot]) slot += 2;
    return slot / 2;
}

// Strings inside the parsed text are pieces of the input, never freed alone.
inline bool lies_in_text(const XmlDocument* document, const char* string) {
    return string >= document->text_start && string <= document->text_end;
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TREE_INTERNAL_HPP
