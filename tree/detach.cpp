// Unlinking an element from its parent's three child chains.
#include <cassert>

#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// The child whose next_in_order is element, the parent itself when element
// is the first child, or null when element is not among the children.
XmlElement* predecessor_in_order(XmlElement* parent, XmlElement* element) {
    if (parent->first_child == element) return parent;
    XmlElement* at = parent->first_child;
    while (at && at->next_in_order != element) at = at->next_in_order;
    return at;
}

// e heads its name group and leaves it: its next same-name child, if any,
// heads the group from here on. Returns what stands in e's place on the chain.
XmlElement* hand_over_head(XmlElement* e) {
    XmlElement* s = e->next_same_name;
    if (!s) return e->next_name_group;
    s->next_name_group = e->next_name_group;
    return s;
}

// e, the first child, leaves. The new first child x heads its own group (its
// name differs from e's unless it is e's next same-name child), so it is on
// the chain from what stands in e's place; it moves to the chain's front.
void unlink_first_child(XmlElement* parent, XmlElement* e) {
    assert(parent->first_child == e);
    XmlElement* x = e->next_in_order;
    parent->first_child = x;
    XmlElement* rest = hand_over_head(e);
    if (rest == x) return;
    XmlElement** link = group_link(&rest, x->name);
    assert(*link == x);
    *link = x->next_name_group;
    x->next_name_group = rest;
}

// e, a later child whose predecessor in document order is before, leaves.
void unlink_later_child(XmlElement* parent, XmlElement* before, XmlElement* e) {
    assert(before->next_in_order == e && parent->first_child != e);
    before->next_in_order = e->next_in_order;
    XmlElement** link = group_link(&parent->first_child, e->name);
    XmlElement* head = *link;
    assert(head);
    if (head == e) {
        *link = hand_over_head(e);  // the next_name_group of the head before e
        return;
    }
    while (head->next_same_name != e) head = head->next_same_name;
    head->next_same_name = e->next_same_name;
}

}  // namespace

[[gnu::cold]] XmlElement* element_detach(XmlElement* element) {
    if (!element) return nullptr;
    if (XmlElement* parent = element->parent) {
        XmlElement* before = predecessor_in_order(parent, element);
        if (!before) return element;  // not among the children: detached before
        if (before == parent)
            unlink_first_child(parent, element);
        else
            unlink_later_child(parent, before, element);
    }
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    return element;
}

}  // namespace xmlslice
