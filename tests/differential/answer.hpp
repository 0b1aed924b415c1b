// An engine's answer to one expression in a form both engines can give: a
// node-set as its nodes' signatures in document order (the path of element
// positions from the document, then @name for an attribute or #N for the
// text between an element's children N and N+1) with their string values,
// or a boolean, a number or a string; or an error.
#ifndef XMLSLICE_DIFFERENTIAL_ANSWER_HPP
#define XMLSLICE_DIFFERENTIAL_ANSWER_HPP

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace differential {

struct Answer {
    enum class Kind { error, node_set, boolean, number, string };
    Kind kind = Kind::error;
    std::vector<std::string> nodes;   // node_set: signatures in document order
    std::vector<std::string> values;  // node_set: their string values
    bool boolean = false;
    double number = 0;
    std::string string;  // string; for error, the engine's message
};

// How two answers differ, as the test reports it; empty when they agree.
// NaN equals NaN here, and 0 equals -0 as XPath's = has it.
inline std::string difference(const Answer& ours, const Answer& theirs) {
    using Kind = Answer::Kind;
    if (ours.kind != theirs.kind) {
        if (ours.kind == Kind::error) return "error only here";
        if (theirs.kind == Kind::error) return "error only in libxml2";
        return "different type";
    }
    switch (ours.kind) {
        case Kind::error:
            return "";
        case Kind::node_set:
            if (ours.nodes != theirs.nodes) {
                std::vector<std::string> sorted = ours.nodes;
                std::sort(sorted.begin(), sorted.end());
                bool repeats = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
                return repeats ? "different nodes, a node twice here" : "different nodes";
            }
            return ours.values == theirs.values ? "" : "different string values";
        case Kind::boolean:
            return ours.boolean == theirs.boolean ? "" : "different boolean";
        case Kind::number:
            if (std::isnan(ours.number) && std::isnan(theirs.number)) return "";
            return ours.number == theirs.number ? "" : "different number";
        case Kind::string:
            return ours.string == theirs.string ? "" : "different string";
    }
    return "";
}

// A difference that libxml2 is known to get wrong, named; empty otherwise.
// libxml2 reads decimals digit by digit, so '2.53' can come out an ulp or
// two from the nearest double, and it reads a lone '-' as -0, not NaN.
inline std::string libxml2_deviation(const Answer& ours, const Answer& theirs) {
    if (ours.kind != Answer::Kind::number || theirs.kind != Answer::Kind::number) return "";
    double a = ours.number, b = theirs.number;
    if (std::isnan(a) && b == 0 && std::signbit(b)) return "libxml2 reads '-' as -0";
    if (std::isfinite(a) && std::isfinite(b) && std::fabs(a - b) <= 4e-16 * std::fabs(a))
        return "libxml2 rounds a decimal off by an ulp";
    return "";
}

inline std::string describe(const Answer& answer) {
    using Kind = Answer::Kind;
    switch (answer.kind) {
        case Kind::error:
            return "error: " + answer.string;
        case Kind::boolean:
            return answer.boolean ? "true" : "false";
        case Kind::number: {
            char text[64];
            std::snprintf(text, sizeof text, "%.17g", answer.number);
            return text;
        }
        case Kind::string:
            return "'" + answer.string + "'";
        case Kind::node_set: {
            std::string text = "{";
            for (std::size_t n = 0; n < answer.nodes.size(); ++n)
                text += (n ? ", " : "") + answer.nodes[n] + "='" + answer.values[n] + "'";
            return text + "}";
        }
    }
    return "";
}

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_ANSWER_HPP
