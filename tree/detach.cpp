// Unlinking an element from its parent's three child chains.
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
// of each name, in document order. The heads (the old chain's members after
// removed, plus promoted) are first marked by a link to themselves, a link no
// sound chain holds, so no memory is needed.
void rebuild_name_groups(XmlElement* parent, XmlElement* removed, XmlElement* promoted) {
    for (XmlElement *head = removed->next_name_group, *next; head; head = next) {
        next = head->next_name_group;
        head->next_name_group = head;
    }
    if (promoted) promoted->next_name_group = promoted;
    XmlElement* tail = nullptr;
    for (XmlElement* child = parent->first_child; child; child = child->next_in_order) {
        if (child->next_name_group != child) continue;
        if (tail) tail->next_name_group = child;
        tail = child;
    }
    if (tail) tail->next_name_group = nullptr;
}

// e, not the first child, leaves its name group; s is its next same-name child.
void unlink_from_name_group(XmlElement* parent, XmlElement* e, XmlElement* s) {
    XmlElement* before = nullptr;
    XmlElement* head = parent->first_child;
    while (!names_equal(head->name, e->name)) {
        before = head;
        head = head->next_name_group;
    }
    if (head == e) {
        before->next_name_group = s ? s : e->next_name_group;
        return;
    }
    while (head->next_same_name != e) head = head->next_same_name;
    head->next_same_name = s;
}

// Takes e out of the children of parent; before is its predecessor in
// document order, or parent itself when e is the first child.
void unlink_from_parent(XmlElement* parent, XmlElement* before, XmlElement* e, XmlElement* s) {
    if (before != parent) {
        before->next_in_order = e->next_in_order;
        unlink_from_name_group(parent, e, s);
        return;
    }
    XmlElement* next = e->next_in_order;
    parent->first_child = next;
    // The chain still runs from next when s took e's place or next was e's successor.
    bool chain_holds = s ? s == next : e->next_name_group == next;
    if (!chain_holds) rebuild_name_groups(parent, e, s);
}

}  // namespace

XmlElement* element_detach(XmlElement* element) {
    if (!element) return nullptr;
    XmlElement* parent = element->parent;
    XmlElement* before = parent ? predecessor_in_order(parent, element) : nullptr;
    if (parent && !before) return element;  // not among the children: detached before

    XmlElement* same = element->next_same_name;
    if (same) same->next_name_group = element->next_name_group;  // same may head the group
    if (parent) unlink_from_parent(parent, before, element, same);
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    return element;
}

}  // namespace xmlslice
