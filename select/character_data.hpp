// Walks the character data of elements: an element's own text cut into the
// runs between its children, and the string value of a whole subtree. Both
// visit runs in document order and stop as soon as the visitor returns false.
#ifndef XMLSLICE_SELECT_CHARACTER_DATA_HPP
#define XMLSLICE_SELECT_CHARACTER_DATA_HPP

#include <cstring>
#include <string_view>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::detail {

// Where a walk stands in one element's text.
struct TextCursor {
    const XmlElement* element;
    const char* text;
    std::size_t length;
    std::size_t at;

    explicit TextCursor(const XmlElement* of)
        : element(of), text(of->text), length(std::strlen(of->text)), at(0) {}

    // The text before child not yet visited; a child placed past the end of
    // the text, or before an earlier child, comes after what precedes it.
    std::string_view run_before(const XmlElement* child) {
        std::size_t until = child->offset < length ? child->offset : length;
        return take_until(until);
    }
    std::string_view rest() { return take_until(length); }

  private:
    std::string_view take_until(std::size_t until) {
        if (until <= at) return {};
        std::string_view run(text + at, until - at);
        at = until;
        return run;
    }
};

// The non-empty runs of element's own text, as XPath's text nodes.
template <class Visit>
bool for_each_own_text_run(const XmlElement* element, Visit visit) {
    TextCursor cursor(element);
    for (const XmlElement* child = element->first_child; child; child = child->next_in_order) {
        std::string_view run = cursor.run_before(child);
        if (!run.empty() && !visit(run)) return false;
    }
    std::string_view run = cursor.rest();
    return run.empty() || visit(run);
}

// The runs of top's string value. stack is scratch space, one cursor per
// open level, so that no walk recurses.
template <class Visit>
bool for_each_string_value_run(const XmlElement* top, std::vector<TextCursor>& stack, Visit visit) {
    stack.clear();
    stack.emplace_back(top);
    const XmlElement* node = top;
    const XmlElement* child = top->first_child;
    for (;;) {
        std::string_view run = child ? stack.back().run_before(child) : stack.back().rest();
        if (!run.empty() && !visit(run)) return false;
        if (child) {
            node = child;
            stack.emplace_back(node);
            child = node->first_child;
            continue;
        }
        stack.pop_back();
        if (node == top) return true;
        child = node->next_in_order;
        node = node->parent;
    }
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_CHARACTER_DATA_HPP
