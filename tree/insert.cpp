// Linking elements into a parent's three child chains.
#include <cstdlib>

#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// Links element after the last member of a chain whose offset is <= offset;
// link selects which of the element's pointers forms the chain.
void link_after_offset(XmlElement* first, XmlElement* element, std::size_t offset,
                       XmlElement* XmlElement::*link) {
    XmlElement* at = first;
    while (at->*link && (at->*link)->offset <= offset) at = at->*link;
    element->*link = at->*link;
    at->*link = element;
}

}  // namespace

XmlElement* element_insert(XmlElement* element, XmlElement* parent, std::size_t offset) {
    if (!element || !parent) return nullptr;
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    element->offset = offset;
    element->parent = parent;
    XmlElement* head = parent->first_child;
    if (!head) {
        parent->first_child = element;
        return element;
    }
    if (head->offset <= offset) {
        link_after_offset(head, element, offset, &XmlElement::next_in_order);
    } else {
        element->next_in_order = head;
        parent->first_child = element;
    }

    XmlElement* before = nullptr;
    XmlElement* group = head;
    while (group && !names_equal(group->name, element->name)) {
        before = group;
        group = group->next_name_group;
    }
    if (group && group->offset <= offset) {
        link_after_offset(group, element, offset, &XmlElement::next_same_name);
        return element;
    }

    // The element heads its name group from here on.
    element->next_same_name = group;
    XmlElement* chain = head;
    if (group) {
        if (before)
            before->next_name_group = group->next_name_group;
        else
            chain = head->next_name_group;
    }
    if (!chain || chain->offset > offset)
        element->next_name_group = chain;
    else
        link_after_offset(chain, element, offset, &XmlElement::next_name_group);
    return element;
}

XmlElement* element_add_child(XmlElement* parent, const char* name, std::size_t offset) {
    if (!parent) return nullptr;
    auto* element = static_cast<XmlElement*>(std::calloc(1, sizeof(XmlElement)));
    if (!element) return nullptr;
    element->name = const_cast<char*>(name);
    element->attributes = empty_table();
    element->text = empty_text();
    return element_insert(element, parent, offset);
}

}  // namespace xmlslice
