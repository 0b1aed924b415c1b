#include "tree_stats.hpp"

#include "tree/tables.hpp"
#include "tree/tree_walk.hpp"

#include <algorithm>
#include <iterator>

namespace xmlslice::tool {

namespace {

std::size_t count_instructions(XmlElement* root) {
    // The root record begins the document record.
    const auto* document = reinterpret_cast<const XmlDocument*>(root);
    std::size_t count = 0;
    for (char*** list = document->instructions; *list; ++list)
        count += detail::KeyedList{*list}.count();
    return count;
}

}  // namespace

TreeStats measure_tree(XmlElement* root) {
    TreeStats stats;
    if (!root) return stats;
    stats.instructions = count_instructions(root);
    if (!root->name) return stats;  // no root element was ever opened

    std::size_t depth = 0;
    detail::walk_chain(
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
