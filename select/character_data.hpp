// Walks the character data of elements: an element's own text cut into the
// runs between its children, and the string value of a whole subtree. Both
// visit runs in document order and stop as soon as the visitor returns false.
#ifndef XMLSLICE_SELECT_CHARACTER_DATA_HPP
#define XMLSLICE_SELECT_CHARACTER_DATA_HPP

#include <cstring>
#include <string_view>

#include "select/buffer.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

// Where a walk stands in one element's text.
struct TextCursor {
    XmlElement* element;
    const char* text;
    std::size_t length;
    std::size_t at;

    static TextCursor of(XmlElement* element) {
        return TextCursor{element, element->text, std::strlen(element->text), 0};
    }

    // The text before child not yet visited; a child placed past the end of
    // the text, or before an earlier child, comes after what precedes it.
    std::string_view run_before(const XmlElement* child) {
        return take_until(child->offset < length ? child->offset : length);
    }
    std::string_view rest() { return take_until(length); }
    std::size_t clamp(std::size_t offset) const { return offset < length ? offset : length; }

  private:
    std::string_view take_until(std::size_t until) {
        if (until <= at) return {};
        std::string_view run(text + at, until - at);
        at = until;
        return run;
    }
};

// What a walk result says: it ran to the end, the visitor stopped it, or
// memory for its stack ran out.
enum class WalkEnd : unsigned char { finished, stopped, out_of_memory };

// The runs of top's string value. stack is scratch space, one cursor per
// open level, so that no walk recurses. enter(element) is told of each
// element below top before its runs; false from it stops the walk.
template <class Visit, class Enter>
WalkEnd for_each_string_value_run(XmlElement* top, Buffer<TextCursor>& stack, Visit visit,
                                  Enter enter) {
    stack.clear();
    if (!stack.push_back(TextCursor::of(top))) return WalkEnd::out_of_memory;
    XmlElement* node = top;
    XmlElement* child = top->first_child;
    for (;;) {
        std::string_view run = child ? stack.back().run_before(child) : stack.back().rest();
        if (!run.empty() && !visit(run)) return WalkEnd::stopped;
        if (child) {
            node = child;
            if (!enter(node)) return WalkEnd::stopped;
            if (!stack.push_back(TextCursor::of(node))) return WalkEnd::out_of_memory;
            child = node->first_child;
            continue;
        }
        stack.pop_back();
        if (node == top) return WalkEnd::finished;
        child = node->next_in_order;
        node = node->parent;
    }
}

template <class Visit>
WalkEnd for_each_string_value_run(XmlElement* top, Buffer<TextCursor>& stack, Visit visit) {
    return for_each_string_value_run(top, stack, visit, [](const XmlElement*) { return true; });
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_CHARACTER_DATA_HPP
