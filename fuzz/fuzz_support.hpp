// Shared by the fuzz targets: the tests' exact-size parse and written text,
// the tree walk (inputs nest deeper than any stack) and a loud stop on a
// broken promise.
#ifndef XMLSLICE_FUZZ_SUPPORT_HPP
#define XMLSLICE_FUZZ_SUPPORT_HPP

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "parse_support.hpp"
#include "tree_checks.hpp"
#include "xmlslice.hpp"

namespace xmlslice::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "FAILED: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

// The tests' helpers: a parse of an exact-size copy, and written text.
using test_support::Parsed;
using test_support::written;

inline std::string bytes_of(const void* data, std::size_t size) {
    return std::string(static_cast<const char*>(data), size);
}

// Every element under top (top included), parents before their children.
inline std::vector<XmlElement*> elements_under(XmlElement* top) {
    std::vector<XmlElement*> all;
    if (!top) return all;
    XmlElement* next = top->next_in_order;  // the walk covers the siblings after it too
    top->next_in_order = nullptr;
    walk_chain(
        top, [&](XmlElement* e) { all.push_back(e); }, [](XmlElement*) {});
    top->next_in_order = next;
    return all;
}

}  // namespace xmlslice::fuzz

#endif  // XMLSLICE_FUZZ_SUPPORT_HPP
