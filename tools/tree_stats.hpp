// Counts for `xmlslice stats`, gathered without recursion: documents may
// nest a million levels deep.
#ifndef XMLSLICE_TOOLS_TREE_STATS_HPP
#define XMLSLICE_TOOLS_TREE_STATS_HPP

#include <cstddef>

#include "xmlslice.hpp"

namespace xmlslice::tool {

struct TreeStats {
    std::size_t elements = 0;
    std::size_t attributes = 0;  // as written in the document, defaults not counted
    std::size_t instructions = 0;
    std::size_t max_depth = 0;  // the root element is at depth 1
};

TreeStats measure_tree(XmlElement* root);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_TREE_STATS_HPP
