#include "select/xpath_number.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "xmlslice_select.hpp"

namespace xmlslice::detail {

namespace {

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

double parse_xpath_number(std::string_view text) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_space(text[begin])) ++begin;
    while (end > begin && is_space(text[end - 1])) --end;
    std::size_t at = begin;
    if (at < end && text[at] == '-') ++at;
    std::size_t digits = 0;
    bool nonzero = false;  // before the point: tells overflow from underflow
    for (; at < end && is_digit(text[at]); ++at, ++digits) nonzero = nonzero || text[at] != '0';
    if (at < end && text[at] == '.')
        for (++at; at < end && is_digit(text[at]); ++at) ++digits;
    if (digits == 0 || at != end) return nan;
    // The syntax is checked; from_chars reads the digits exactly (and the
    // locale's decimal point never enters).
    double value = 0;
    std::from_chars_result read = std::from_chars(text.data() + begin, text.data() + end, value,
                                                  std::chars_format::fixed);
    if (read.ec == std::errc::result_out_of_range) {
        value = nonzero ? std::numeric_limits<double>::infinity() : 0.0;
        if (text[begin] == '-') value = -value;
    }
    return value;
}

std::size_t format_number(double value, char* out) {
    const char* fixed = nullptr;
    if (std::isnan(value)) {
        fixed = "NaN";
    } else if (std::isinf(value)) {
        fixed = value > 0 ? "Infinity" : "-Infinity";
    } else if (value == 0) {
        fixed = "0";  // -0 too
    }
    if (fixed) {
        std::size_t length = std::strlen(fixed);
        std::memcpy(out, fixed, length);
        return length;
    }
    std::to_chars_result written =
        std::to_chars(out, out + NUMBER_TEXT_ROOM, value, std::chars_format::fixed);
    return static_cast<std::size_t>(written.ptr - out);
}

}  // namespace xmlslice::detail

namespace xmlslice {

void append_number_string(double value, std::string& out) {
    char text[detail::NUMBER_TEXT_ROOM];
    out.append(text, detail::format_number(value, text));
}

}  // namespace xmlslice
