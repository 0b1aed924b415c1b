// Unlinking an element from its parent's three child chains.
#include <cassert>

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

}  // namespace

[[gnu::cold]] XmlElement* element_detach(XmlElement* element) {
    if (!element) return nullptr;
    if (XmlElement* parent = element->parent) {
        ChainEnds* ends = chain_ends_above(parent);
        XmlElement* chain = parent->first_child;  // the name-group chain starts at the first child
        XmlElement** at = &parent->first_child;
        while (*at && *at != element) at = &(*at)->next_in_order;
        if (!*at) return element;  // not among the children: detached before
        *at = element->next_in_order;
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
