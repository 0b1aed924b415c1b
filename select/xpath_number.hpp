// XPath's numbers as text, both ways, the same in every locale.
#ifndef XMLSLICE_SELECT_XPATH_NUMBER_HPP
#define XMLSLICE_SELECT_XPATH_NUMBER_HPP

#include <cstddef>
#include <string_view>

namespace xmlslice::detail {

// The longest text format_number writes (the largest double in full).
constexpr std::size_t NUMBER_TEXT_ROOM = 400;

// XPath's string-to-number: white space, an optional '-', then Digits
// ('.' Digits?)? or '.' Digits, then white space; anything else is NaN.
double parse_xpath_number(std::string_view text);

// XPath's number-to-string into out (NUMBER_TEXT_ROOM bytes): NaN,
// Infinity, -Infinity, integers without a decimal point, other numbers
// with as few digits as tell them apart, never an exponent. Returns the
// length.
std::size_t format_number(double value, char* out);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_XPATH_NUMBER_HPP
