// A walk over a subtree in document order, without recursion: the walks
// of the select engine all climb back through parent links.
#ifndef XMLSLICE_SELECT_SUBTREE_WALK_HPP
#define XMLSLICE_SELECT_SUBTREE_WALK_HPP

#include <cstddef>

#include "xmlslice.hpp"

namespace xmlslice::detail {

// Visits top's subtree in document order, without recursion: enter(node,
// depth) before a node's children (false skips them), leave(node, depth)
// after them. top is at depth 0.
template <class Enter, class Leave>
void walk_subtree(XmlElement* top, Enter enter, Leave leave) {
    XmlElement* node = top;
    std::size_t depth = 0;
    for (;;) {
        if (enter(node, depth) && node->first_child) {
            node = node->first_child;
            ++depth;
            continue;
        }
        for (;;) {
            leave(node, depth);
            if (node == top) return;
            if (node->next_in_order) {
                node = node->next_in_order;
                break;
            }
            node = node->parent;
            --depth;
        }
    }
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_SUBTREE_WALK_HPP
