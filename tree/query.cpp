// Read-only lookups: children by name, same-name runs, attribute values with
// declared defaults, paths, processing instructions and the error text.
#include "tree/tables.hpp"

namespace xmlslice {

using namespace detail;

XmlElement* element_first_named(XmlElement* element, const char* name) {
    return element ? *group_link(&element->first_child, name) : nullptr;
}

XmlElement* element_nth_same_name(XmlElement* element, int n) {
    // Negative n counts as a huge unsigned step count and runs off the chain.
    for (auto steps = static_cast<std::uint32_t>(n); element && steps; --steps)
        element = element->next_same_name;
    return element;
}

const char* element_attribute_value(XmlElement* element, const char* name) {
    if (!element || !name) return nullptr;
    Attributes own(element->attributes);
    std::size_t k = own.find(name);
    if (k < own.count) return own.value(k);
    if (!element->name) return nullptr;
    char*** defaults = document_of(element)->attribute_defaults;
    std::size_t list = find_list(defaults, element->name, std::strlen(element->name));
    if (list == NameIndex::npos) return nullptr;
    KeyedList declared{defaults[list]};
    for (std::size_t i = 0, count = declared.count(3); i < count; ++i)
        if (names_equal(declared_at(declared, i).name, name))
            return declared_at(declared, i).default_value;
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
    char*** table = document_of(element)->instructions;
    std::size_t list = find_list(table, target, std::strlen(target));
    return list == NameIndex::npos ? empty_table() : table[list] + 1;
}

const char* document_error_text(XmlElement* element) {
    if (!element) return empty_string;
    return document_of(element)->error;
}

}  // namespace xmlslice
