// Unlinking an element from its parent's three child chains.
#include <cassert>
#include <cstddef>

#include "support/growth.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// e leaves its name group on the chain whose start *chain holds. When e heads
// the group, its next same-name child, if any, heads it from here on.
void leave_group(XmlElement** chain, XmlElement* e) {
    XmlElement** link = group_link(chain, e->name);
    XmlElement* head = *link;
    assert(head);
    if (head != e) {
        while (head->next_same_name != e) head = head->next_same_name;
        head->next_same_name = e->next_same_name;
    } else if (XmlElement* successor = e->next_same_name) {
        successor->next_name_group = e->next_name_group;
        *link = successor;
    } else {
        *link = e->next_name_group;
    }
}

// The link that leads to e among parent's children, or null when e is not
// among them. Walking to the last child lists the others in the document.
XmlElement** link_to(ChainEnds* ends, XmlElement* parent, XmlElement* e) {
    XmlElement** at = &parent->first_child;
    std::size_t count = 0;
    if (ends) {
        count = ends->listed_count;
        if (ends->listed_parent == parent && count && ends->listed[count - 1] == e &&
            !e->next_in_order)
            return --ends->listed_count ? &ends->listed[count - 2]->next_in_order : at;
        ends->listed_parent = nullptr;
        count = 0;
    }
    bool listing = ends;
    for (; *at && *at != e; at = &(*at)->next_in_order)
        if ((listing = listing && grow(ends->listed, ends->listed_capacity, count + 1)))
            ends->listed[count++] = *at;
    if (!*at) return nullptr;
    if (listing && !e->next_in_order) {
        ends->listed_parent = parent;
        ends->listed_count = count;
    }
    return at;
}

}  // namespace

[[gnu::cold]] XmlElement* element_detach(XmlElement* element) {
    if (!element) return nullptr;
    if (XmlElement* parent = element->parent) {
        ChainEnds* ends = chain_ends_above(parent);
        XmlElement* chain = parent->first_child;  // the name-group chain starts at the first child
        XmlElement** at = link_to(ends, parent, element);
        if (!at) return element;  // not among the children: detached before
        *at = element->next_in_order;
        // A previous sibling of the same name precedes it in its group too.
        auto* before = reinterpret_cast<XmlElement*>(reinterpret_cast<char*>(at) -
                                                     offsetof(XmlElement, next_in_order));
        if (at != &parent->first_child && names_equal(before->name, element->name))
            before->next_same_name = element->next_same_name;
        else
            leave_group(&chain, element);
        // When the first child left, the new one heads its own group (its name
        // differs unless it took over the group) and moves to the chain's front.
        if (XmlElement* first = parent->first_child; first != chain) {
            XmlElement** link = group_link(&chain, first->name);
            assert(*link == first);
            *link = first->next_name_group;
            first->next_name_group = chain;
        }
        if (ends)
            for (ChainEnds::End& end : ends->ends)
                if (end.last == element) end = {};
    }
    element->next_same_name = element->next_name_group = element->next_in_order = nullptr;
    return element;
}

}  // namespace xmlslice
