// Ownership flags, text replacement and attribute editing.
#include <cstdlib>
#include <cstring>

#include "tree/tables.hpp"

namespace xmlslice {

using namespace detail;

namespace {

void clear_flag(XmlElement* element, std::uint16_t flag) {
    element->flags = static_cast<std::uint16_t>(element->flags & ~flag);
}

// Drops pair k, freeing its name if the list owns it.
void remove_attribute(XmlElement* element, const Attributes& attributes, std::size_t k) {
    if (attributes.bits(k) & OWNS_NAME) std::free(attributes.name(k));
    std::size_t count = attributes.count;
    char* ownership = attributes.ownership();
    std::memmove(attributes.slots + 2 * k, attributes.slots + 2 * k + 2,
                 2 * (count - k - 1) * sizeof(char*));
    std::memmove(ownership + k, ownership + k + 1, count - k - 1);
    element->attributes = attribute_list_resize(attributes.slots, count, count - 1);
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
    element->text = text ? const_cast<char*>(text) : empty_text();
    clear_flag(element, TEXT_OWNED);
    return element;
}

[[gnu::cold]] XmlElement* element_set_attribute(XmlElement* element, const char* name,
                                                const char* value) {
    if (!element || !name) return element;
    Attributes attributes(element->attributes);
    std::size_t k = attributes.find(name);
    bool hand_over = element->flags & COPY_ATTRIBUTES;
    if (k == attributes.count) {  // a new pair, its value set below
        AttributeList grown = value ? attribute_list_resize(attributes.slots, k, k + 1) : nullptr;
        if (!grown) return element;
        element->attributes = grown;
        attributes = Attributes(grown, k + 1);
        attributes.name(k) = const_cast<char*>(name);
        attributes.value(k) = nullptr;
        attributes.ownership()[k] = static_cast<char>(hand_over ? OWNS_NAME : OWNS_NOTHING);
    } else if (hand_over) {
        std::free(const_cast<char*>(name));  // the stored name stays
    }

    auto& bits = reinterpret_cast<unsigned char&>(attributes.ownership()[k]);
    if (bits & OWNS_VALUE) std::free(attributes.value(k));
    bits = static_cast<unsigned char>(hand_over ? bits | OWNS_VALUE : bits & ~OWNS_VALUE);
    if (!bits) bits = OWNS_NOTHING;  // a NUL would cut the ownership string short

    if (value)
        attributes.value(k) = const_cast<char*>(value);
    else
        remove_attribute(element, attributes, k);
    clear_flag(element, COPY_ATTRIBUTES);
    return element;
}

}  // namespace xmlslice
