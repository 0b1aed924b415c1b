// Linking elements into a parent's three child chains.
#include <cstdlib>

#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// Links element after the last member of a chain whose offset is at most the
// element's; link selects which of the element's pointers forms the chain.
void link_after_offset(XmlElement* first, XmlElement* element, XmlElement* XmlElement::*link) {
    XmlElement* at = first;
    while (at->*link && (at->*link)->offset <= element->offset) at = at->*link;
    element->*link = at->*link;
    at->*link = element;
}

// Links element into document order behind every child at or before its offset.
void link_in_order(XmlElement* parent, XmlElement* element) {
    XmlElement* first = parent->first_child;
    if (first && first->offset <= element->offset) {
        link_after_offset(first, element, &XmlElement::next_in_order);
        return;
    }
    element->next_in_order = first;
    parent->first_child = element;
}

// Takes the head that *link leads to off the name-group chain. Only heads
// carry a next_name_group, so that a stale one is never taken for a live one.
void demote_head(XmlElement** link) {
    XmlElement* head = *link;
    *link = head->next_name_group;
    head->next_name_group = nullptr;
}

// Links a new head into the chain that starts at first (null when empty); it
// goes in front only when it is also the new first child.
void link_head(XmlElement* first, XmlElement* element) {
    if (!first || first->offset > element->offset)
        element->next_name_group = first;
    else
        link_after_offset(first, element, &XmlElement::next_name_group);
}

}  // namespace

XmlElement* element_insert(XmlElement* element, XmlElement* parent, std::size_t offset) {
    if (!element || !parent) return nullptr;
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    element->offset = offset;
    element->parent = parent;
    XmlElement* chain = parent->first_child;  // the name-group chain starts at the old first child
    link_in_order(parent, element);
    XmlElement** link = group_link(&chain, element->name);
    XmlElement* group = *link;
    if (group && group->offset <= offset) {
        link_after_offset(group, element, &XmlElement::next_same_name);
        return element;
    }
    // The element heads its name group from here on.
    element->next_same_name = group;
    if (group) demote_head(link);
    link_head(chain, element);
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
