// XPath's string value of an element, for hosts.
#include "select/character_data.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice {

void append_string_value(const XmlElement* element, std::string& out) {
    if (!element) return;
    detail::Buffer<detail::TextCursor> stack;
    // The walk only reads the tree; the cursors want a mutable pointer.
    auto* top = const_cast<XmlElement*>(element);
    detail::for_each_string_value_run(top, stack, [&out](std::string_view run) {
        out.append(run);
        return true;
    });
}

std::string string_value(const XmlElement* element) {
    std::string value;
    append_string_value(element, value);
    return value;
}

}  // namespace xmlslice
