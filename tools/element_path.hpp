// Element paths for `xmlslice get`: slash-separated steps `name` or
// `name[N]` (N counted from 1) from the root's children down; a leading
// slash makes the first step name the root element itself.
#ifndef XMLSLICE_TOOLS_ELEMENT_PATH_HPP
#define XMLSLICE_TOOLS_ELEMENT_PATH_HPP

#include <string>
#include <string_view>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::tool {

struct PathStep {
    std::string name;
    int position = 1;        // 1 is the first element of that name
    std::size_t end_at = 0;  // where the step ends in the path text
};

struct ElementPath {
    std::string text;
    bool from_root = false;
    std::vector<PathStep> steps;
};

// Parses text into path; on a syntax error returns false and says why.
bool parse_element_path(std::string_view text, ElementPath& path, std::string& problem);

// The element the path names, or null; then missing is the path up to and
// including the step that found nothing.
XmlElement* find_element(XmlElement* root, const ElementPath& path, std::string& missing);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_ELEMENT_PATH_HPP
