// Strings escaped the way the library's writer escapes them, so the tool has
// no escaper of its own.
#ifndef XMLSLICE_TOOLS_WRITTEN_TEXT_HPP
#define XMLSLICE_TOOLS_WRITTEN_TEXT_HPP

#include <string>

namespace xmlslice::tool {

// Appends value as the writer puts an attribute value between its quotes:
// '&', '<', '>', '"', tab, LF, VT, FF and CR as references.
void append_attribute_value(const std::string& value, std::string& out);
// Appends text as the writer puts character data: '&', '<', '>' and CR as
// references.
void append_character_data(const std::string& text, std::string& out);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_WRITTEN_TEXT_HPP
