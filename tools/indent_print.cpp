#include "indent_print.hpp"

namespace xmlslice::tool {

namespace {

bool is_blank(const char* text) {
    for (; *text; ++text)
        if (*text != ' ' && *text != '\t' && *text != '\n' && *text != '\r') return false;
    return true;
}

// Only the element's own attributes: a declared default would cost a walk up
// to the document for every element.
bool preserves_space(XmlElement* element) {
    for (auto [name, value] : attributes(element))
        if (name == "xml:space") return value == "preserve";
    return false;
}

bool may_indent(XmlElement* element) {
    return element->first_child && is_blank(element->text) && !preserves_space(element);
}

void indent_children(XmlElement* element, std::size_t depth, int width,
                     std::deque<std::string>& storage) {
    std::string& text = storage.emplace_back();
    std::size_t step = static_cast<std::size_t>(width);
    for (XmlElement* child : children(element)) {
        text += '\n';
        text.append(step * (depth + 1), ' ');
        child->offset = text.size();
    }
    text += '\n';
    text.append(step * depth, ' ');
    element_set_text(element, text.c_str());
}

}  // namespace

void indent_tree(XmlElement* root, int width, std::deque<std::string>& storage) {
    if (!root || !root->name) return;
    std::size_t depth = 0;
    std::size_t kept_from = 0;  // depth of the element whose subtree keeps its text, or 0
    walk_chain(
        root,
        [&](XmlElement* element) {
            ++depth;
            if (kept_from) return;
            if (may_indent(element)) {
                indent_children(element, depth - 1, width, storage);
            } else if (element->first_child) {
                kept_from = depth;
            }
        },
        [&](XmlElement*) {
            if (kept_from == depth) kept_from = 0;
            --depth;
        });
}

}  // namespace xmlslice::tool
