#include "tree_stats.hpp"

#include <algorithm>
#include <iterator>

namespace xmlslice::tool {

namespace {

std::size_t count_instructions(XmlElement* root) {
    // The root record begins the document record; the table holds one list
    // a target, and the query gives that list's texts up to a null.
    const auto* document = reinterpret_cast<const XmlDocument*>(root);
    std::size_t count = 0;
    for (char*** list = document->instructions; *list; ++list)
        for (char** text = document_instructions(root, **list); *text; ++text) ++count;
    return count;
}

}  // namespace

TreeStats measure_tree(XmlElement* root) {
    TreeStats stats;
    if (!root) return stats;
    stats.instructions = count_instructions(root);
    if (!root->name) return stats;  // no root element was ever opened

    std::size_t depth = 0;
    walk_chain(
        root,
        [&](XmlElement* element) {
            ++stats.elements;
            AttributeRange own = attributes(element);
            stats.attributes += static_cast<std::size_t>(std::distance(own.begin(), own.end()));
            stats.max_depth = std::max(stats.max_depth, ++depth);
        },
        [&](XmlElement*) { --depth; });
    return stats;
}

}  // namespace xmlslice::tool
