// Read-only lookups: children by name, same-name runs, attribute values with
// declared defaults, paths, processing instructions and the error text.
#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// The declared attributes of an element name: its first per-element list.
char** declared_attributes(XmlDocument* document, const char* element_name) {
    if (!element_name) return nullptr;
    for (char*** list = document->attribute_defaults; *list; ++list)
        if (names_equal((*list)[0], element_name)) return *list;
    return nullptr;
}

}  // namespace

XmlElement* element_first_named(XmlElement* element, const char* name) {
    if (!element) return nullptr;
    for (XmlElement* child = element->first_child; child; child = child->next_name_group)
        if (names_equal(child->name, name)) return child;
    return nullptr;
}

XmlElement* element_nth_same_name(XmlElement* element, int n) {
    // Negative n counts as a huge unsigned step count and runs off the chain.
    for (auto steps = static_cast<std::uint32_t>(n); element && steps; --steps)
        element = element->next_same_name;
    return element;
}

const char* element_attribute_value(XmlElement* element, const char* name) {
    if (!element) return nullptr;
    for (char** pair = element->attributes; *pair; pair += 2)
        if (names_equal(pair[0], name)) return pair[1];
    char** declared = declared_attributes(document_of(element), element->name);
    if (!declared) return nullptr;
    for (char** triple = declared + 1; *triple; triple += 3)
        if (names_equal(triple[0], name)) return triple[1];
    return nullptr;
}

XmlElement* element_find_path_list(XmlElement* element, std::va_list path) {
    for (;;) {
        const char* name = va_arg(path, const char*);
        if (!name || !*name) return element;
        int index = va_arg(path, int);
        element = element_first_named(element, name);
        if (index < 0) return element;
        element = element_nth_same_name(element, index);
    }
}

XmlElement* element_find_path(XmlElement* element, ...) {
    std::va_list path;
    va_start(path, element);
    XmlElement* found = element_find_path_list(element, path);
    va_end(path);
    return found;
}

char** document_instructions(XmlElement* element, const char* target) {
    if (!element) return empty_table();
    for (char*** list = document_of(element)->instructions; *list; ++list)
        if (names_equal((*list)[0], target)) return *list + 1;
    return empty_table();
}

const char* document_error_text(XmlElement* element) {
    if (!element) return empty_string;
    return document_of(element)->error;
}

}  // namespace xmlslice
