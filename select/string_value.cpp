// XPath's string value of an element, for hosts.
#include "select/character_data.hpp"

#include "xmlslice_select.hpp"

namespace xmlslice {

void append_string_value(const XmlElement* element, std::string& out) {
    if (!element) return;
    std::vector<detail::TextCursor> stack;
    detail::for_each_string_value_run(element, stack, [&out](std::string_view run) {
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
