// The byte classes of the expression language and of XPath's string
// functions, the same in every locale.
#ifndef XMLSLICE_SELECT_XPATH_BYTES_HPP
#define XMLSLICE_SELECT_XPATH_BYTES_HPP

namespace xmlslice::detail {

// XPath's white space: space, tab, carriage return, line feed.
inline bool is_xpath_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
inline bool is_xpath_digit(char c) {
    return c >= '0' && c <= '9';
}
// Bytes that may start a name: ASCII letters, '_', and every byte of a
// multi-byte UTF-8 character.
inline bool is_name_start(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || byte >= 0x80;
}
inline bool is_name_byte(char c) {
    return is_name_start(c) || is_xpath_digit(c) || c == '-' || c == '.';
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_XPATH_BYTES_HPP
