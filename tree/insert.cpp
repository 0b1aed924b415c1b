// Linking elements into a parent's three child chains.
#include <cassert>
#include <cstdlib>

#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// Links element into the chain that *start leads to, behind every member
// whose offset is at most the element's; link selects which of the
// element's pointers forms the chain.
[[gnu::noinline]] void link_by_offset(XmlElement** start, XmlElement* element,
                                      XmlElement* XmlElement::*link) {
    while (*start && (*start)->offset <= element->offset) start = &((*start)->*link);
    element->*link = *start;
    *start = element;
}

#ifndef NDEBUG
bool on_chain(XmlElement* member, XmlElement* wanted, XmlElement* XmlElement::*link) {
    while (member && member != wanted) member = member->*link;
    return member;
}
#endif

// As link_by_offset, but from the chain's last member when the document knows
// it and the element goes behind it: the chain is not empty and that member
// is still a child of the element's parent with nothing behind it (and, on a
// name group, with the name given).
void append_by_offset(ChainEnds* ends, XmlElement** start, XmlElement* element,
                      XmlElement* XmlElement::*link, const char* name) {
    ChainEnds::End* end = ends ? &ends->at(start) : nullptr;
    XmlElement** from = start;
    if (end && end->start == start && *start) {
        XmlElement* last = end->last;
        if (last->parent == element->parent && !(last->*link) && last->offset <= element->offset &&
            (!name || names_equal(last->name, name))) {
            assert(on_chain(*start, last, link));
            from = &(last->*link);
        }
    }
    link_by_offset(from, element, link);
    if (end && !(element->*link)) *end = {start, element};
}

// Takes the head that *link leads to off the name-group chain. Only heads
// carry a next_name_group, so that a stale one is never taken for a live one.
void demote_head(XmlElement** link) {
    XmlElement* head = *link;
    *link = head->next_name_group;
    head->next_name_group = nullptr;
}

}  // namespace

XmlElement* element_insert(XmlElement* element, XmlElement* parent, std::size_t offset) {
    if (!element || !parent) return nullptr;
    ChainEnds* ends = chain_ends_above(parent);
    if (ends && element->first_child) ends->forget();
    if (ends) ends->listed_parent = nullptr;
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    element->offset = offset;
    element->parent = parent;
    XmlElement* chain = parent->first_child;  // the name-group chain starts at the old first child
    append_by_offset(ends, &parent->first_child, element, &XmlElement::next_in_order, nullptr);
    XmlElement** link = group_link(&chain, element->name);
    XmlElement* group = *link;
    if (group && group->offset <= offset) {
        append_by_offset(ends, &group->next_same_name, element, &XmlElement::next_same_name,
                         element->name);
        return element;
    }
    // The element heads its name group from here on; it goes in front of the
    // chain only when it is also the new first child.
    element->next_same_name = group;
    if (group) demote_head(link);
    link_by_offset(&chain, element, &XmlElement::next_name_group);
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
