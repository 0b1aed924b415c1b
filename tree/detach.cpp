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

// Relinks the name-group chain from the first child through the first child
// of each name, in document order, trusting no next_name_group it finds (a
// stale one may point at a live element once a freed address is reused). Each
// child is marked a head by a link to itself until an earlier child of its name
// leads to it through next_same_name, which always points forward.
void rebuild_name_groups(XmlElement* parent) {
    for (XmlElement* child = parent->first_child; child; child = child->next_in_order)
        child->next_name_group = child;
    XmlElement* tail = nullptr;
    for (XmlElement* child = parent->first_child; child; child = child->next_in_order) {
        if (child->next_same_name) child->next_same_name->next_name_group = nullptr;
        if (child->next_name_group != child) continue;
        if (tail) tail->next_name_group = child;
        tail = child;
    }
    if (tail) tail->next_name_group = nullptr;
}

// e heads its name group and leaves it: its next same-name child, if any,
// heads the group from here on. Returns what stands in e's place on the chain.
XmlElement* hand_over_head(XmlElement* e) {
    XmlElement* s = e->next_same_name;
    if (!s) return e->next_name_group;
    s->next_name_group = e->next_name_group;
    return s;
}

// e, not the first child, leaves its name group.
void unlink_from_name_group(XmlElement* parent, XmlElement* e) {
    assert(parent->first_child != e);
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

// Takes e out of the children of parent; before is its predecessor in
// document order, or parent itself when e is the first child.
void unlink_from_parent(XmlElement* parent, XmlElement* before, XmlElement* e) {
    assert(before == parent ? parent->first_child == e : before->next_in_order == e);
    if (before != parent) {
        before->next_in_order = e->next_in_order;
        unlink_from_name_group(parent, e);
        return;
    }
    // A first child heads its group. The chain still runs from the new first
    // child when that child stands in e's place.
    parent->first_child = e->next_in_order;
    if (hand_over_head(e) != parent->first_child) rebuild_name_groups(parent);
}

}  // namespace

XmlElement* element_detach(XmlElement* element) {
    if (!element) return nullptr;
    if (XmlElement* parent = element->parent) {
        XmlElement* before = predecessor_in_order(parent, element);
        if (!before) return element;  // not among the children: detached before
        unlink_from_parent(parent, before, element);
    }
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    return element;
}

}  // namespace xmlslice
