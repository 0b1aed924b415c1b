#include "select/xpath_number.hpp"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "select/xpath_bytes.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

double parse_xpath_number(std::string_view text) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && is_xpath_space(text[begin])) ++begin;
    while (end > begin && is_xpath_space(text[end - 1])) --end;
    std::size_t at = begin;
    if (at < end && text[at] == '-') ++at;
    std::size_t digits = 0;
    bool nonzero = false;  // before the point: tells overflow from underflow
    for (; at < end && is_xpath_digit(text[at]); ++at, ++digits)
        nonzero = nonzero || text[at] != '0';
    if (at < end && text[at] == '.')
        for (++at; at < end && is_xpath_digit(text[at]); ++at) ++digits;
    if (digits == 0 || at != end) return nan;
    // The syntax is checked; from_chars reads the digits exactly (and the
    // locale's decimal point never enters).
    double value = 0;
    std::from_chars_result read =
        std::from_chars(text.data() + begin, text.data() + end, value, std::chars_format::fixed);
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
    // The shortest digits that read back as value, then written out in
    // full: 1e24 is 1000000000000000000000000, not the double's exact
    // 999999999999999983222784.
    char scientific[32];
    std::to_chars_result written = std::to_chars(scientific, scientific + sizeof scientific, value,
                                                 std::chars_format::scientific);
    const char* at = scientific;
    std::size_t length = 0;
    if (*at == '-') {
        out[length++] = '-';
        ++at;
    }
    char digits[20];
    std::size_t count = 0;
    for (; *at != 'e'; ++at)
        if (*at != '.') digits[count++] = *at;
    int exponent = 0;
    std::from_chars(at + 1 + (at[1] == '+'), written.ptr, exponent);
    // The point goes after digit exponent + 1 (counted from 1).
    long point = static_cast<long>(exponent) + 1;
    if (point <= 0) {
        out[length++] = '0';
        out[length++] = '.';
        for (long k = point; k < 0; ++k) out[length++] = '0';
        for (std::size_t k = 0; k < count; ++k) out[length++] = digits[k];
        return length;
    }
    for (long k = 0; k < point || k < static_cast<long>(count); ++k) {
        if (k == point) out[length++] = '.';
        out[length++] = k < static_cast<long>(count) ? digits[k] : '0';
    }
    return length;
}

}  // namespace xmlslice::detail

namespace xmlslice {

void append_number_string(double value, std::string& out) {
    char text[detail::NUMBER_TEXT_ROOM];
    out.append(text, detail::format_number(value, text));
}

}  // namespace xmlslice
