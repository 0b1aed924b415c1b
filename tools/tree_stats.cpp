#include "tree_stats.hpp"

#include <algorithm>
#include <iterator>

namespace xmlslice::tool {

namespace {

std::size_t count_instructions(XmlElement* root) {
    // The root record begins the document record.
    const auto* document = reinterpret_cast<const XmlDocument*>(root);
    std::size_t count = 0;
    for (char*** list = document->instructions; *list; ++list)
        for (char** text = *list + 1; *text; ++text) ++count;
    return count;
}

}  // namespace

TreeStats measure_tree(XmlElement* root) {
    TreeStats stats;
    if (!root) return stats;
    stats.instructions = count_instructions(root);
    if (!root->name) return stats;  // no root element was ever opened

    // Depth-first through first_child, climbing back through parent links.
    XmlElement* element = root;
    std::size_t depth = 1;
    for (;;) {
        ++stats.elements;
        AttributeRange own = attributes(element);
        stats.attributes += static_cast<std::size_t>(std::distance(own.begin(), own.end()));
        stats.max_depth = std::max(stats.max_depth, depth);
        if (element->first_child) {
            element = element->first_child;
            ++depth;
            continue;
        }
        while (element != root && !element->next_in_order) {
            element = element->parent;
            --depth;
        }
        if (element == root) return stats;
        element = element->next_in_order;
    }
}

}  // namespace xmlslice::tool
