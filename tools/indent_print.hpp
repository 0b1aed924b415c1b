// Indentation for `xmlslice print --indent`: a tree's texts rewritten so
// that element-only content shows one child per line.
#ifndef XMLSLICE_TOOLS_INDENT_PRINT_HPP
#define XMLSLICE_TOOLS_INDENT_PRINT_HPP

#include <deque>
#include <string>

#include "xmlslice.hpp"

namespace xmlslice::tool {

// Gives every element whose text around its children is only white space
// new text: each child on a line of its own, indented width spaces per
// level. Mixed content, xml:space="preserve" and everything below them keep
// their text. The new texts live in storage, which must outlive the tree's use.
void indent_tree(XmlElement* root, int width, std::deque<std::string>& storage);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_INDENT_PRINT_HPP
