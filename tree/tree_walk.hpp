// The one walk over a tree, shared by freeing, writing, the tool and the
// tests: an element, its subtree and the siblings after it, each element
// entered before its children and left after them. It climbs back through
// parent links, so deep trees need no stack, and reads an element's links
// before it leaves it, so that `leave` may free it.
#ifndef XMLSLICE_TREE_WALK_HPP
#define XMLSLICE_TREE_WALK_HPP

#include "xmlslice.hpp"

namespace xmlslice::detail {

template <class Enter, class Leave>
void walk_chain(XmlElement* first, Enter enter, Leave leave) {
    XmlElement* const top = first->parent;
    XmlElement* element = first;
    for (;;) {
        enter(element);
        if (element->first_child) {
            element = element->first_child;
            continue;
        }
        for (;;) {
            XmlElement* next = element->next_in_order;
            XmlElement* parent = element->parent;
            leave(element);
            if (next) {
                element = next;
                break;
            }
            if (parent == top) return;
            element = parent;
        }
    }
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TREE_WALK_HPP
