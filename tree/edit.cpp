// Ownership flags, text replacement and attribute editing.
#include <cstdlib>
#include <cstring>

#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

char* mutable_string(const char* string) {
    return const_cast<char*>(string);
}

void clear_flag(XmlElement* element, std::uint16_t flag) {
    element->flags = static_cast<std::uint16_t>(element->flags & ~flag);
}

// Index of the first pair named name, or count when there is none.
std::size_t find_attribute(AttributeList list, std::size_t count, const char* name) {
    std::size_t k = 0;
    while (k < count && !names_equal(list[2 * k], name)) ++k;
    return k;
}

// Appends a pair named name (its value slot still empty) with ownership byte
// OWNS_NOTHING. Grows the ownership string before the list, so a failure of
// either leaves the element's attributes as they were.
bool append_attribute(XmlElement* element, std::size_t count, const char* name) {
    bool shared = is_empty_list(element->attributes);
    char** old_list = shared ? nullptr : element->attributes;
    auto* ownership =
        static_cast<char*>(std::realloc(shared ? nullptr : old_list[2 * count + 1], count + 2));
    if (!ownership) return false;
    if (old_list) old_list[2 * count + 1] = ownership;
    auto** list = static_cast<char**>(std::realloc(old_list, (2 * count + 4) * sizeof(char*)));
    if (!list) {
        if (shared) std::free(ownership);
        return false;
    }
    list[2 * count] = mutable_string(name);
    list[2 * count + 1] = nullptr;
    list[2 * count + 2] = nullptr;
    list[2 * count + 3] = ownership;
    ownership[count] = static_cast<char>(OWNS_NOTHING);
    ownership[count + 1] = '\0';
    element->attributes = list;
    return true;
}

// Drops pair k, freeing the name if the list owns it; the ownership string
// keeps its size.
void remove_attribute(XmlElement* element, std::size_t count, std::size_t k) {
    char** list = element->attributes;
    char* ownership = list[2 * count + 1];
    if (static_cast<unsigned char>(ownership[k]) & OWNS_NAME) std::free(list[2 * k]);
    std::memmove(list + 2 * k, list + 2 * k + 2, 2 * (count - k) * sizeof(char*));
    std::memmove(ownership + k, ownership + k + 1, count - k);
    // Shrinking cannot lose data; if it fails the larger block serves.
    if (void* shrunk = std::realloc(list, 2 * count * sizeof(char*)))
        element->attributes = static_cast<char**>(shrunk);
}

}  // namespace

XmlElement* element_set_flags(XmlElement* element, int flags) {
    if (!element) return nullptr;
    element->flags = static_cast<std::uint16_t>(element->flags | (flags & 0xFFFF));
    return element;
}

XmlElement* element_set_text(XmlElement* element, const char* text) {
    if (!element) return nullptr;
    if (element->flags & TEXT_OWNED) std::free(element->text);
    // text is never null; a null argument reads as "no text".
    element->text = text ? mutable_string(text) : empty_text();
    clear_flag(element, TEXT_OWNED);
    return element;
}

XmlElement* element_set_attribute(XmlElement* element, const char* name, const char* value) {
    if (!element || !name) return element;
    std::size_t count = attribute_count(element->attributes);
    std::size_t k = find_attribute(element->attributes, count, name);
    bool hand_over = element->flags & COPY_ATTRIBUTES;
    if (k == count) {
        if (!value || !append_attribute(element, count, name)) return element;
        ++count;
        if (hand_over) element->attributes[2 * count + 1][k] = static_cast<char>(OWNS_NAME);
    } else if (hand_over) {
        std::free(mutable_string(name));  // the stored name stays
    }

    char** list = element->attributes;
    auto& bits = reinterpret_cast<unsigned char&>(list[2 * count + 1][k]);
    if (bits & OWNS_VALUE) std::free(list[2 * k + 1]);
    bits = static_cast<unsigned char>(hand_over ? bits | OWNS_VALUE : bits & ~OWNS_VALUE);
    if (!bits) bits = OWNS_NOTHING;  // a NUL would cut the ownership string short

    if (value)
        list[2 * k + 1] = mutable_string(value);
    else
        remove_attribute(element, count, k);
    clear_flag(element, COPY_ATTRIBUTES);
    return element;
}

}  // namespace xmlslice
