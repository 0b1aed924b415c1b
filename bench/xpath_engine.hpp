// One library's XPath engine over its own tree, behind the interface the
// select benchmark drives: parse a document, compile queries once, run them.
#ifndef XMLSLICE_BENCH_XPATH_ENGINE_HPP
#define XMLSLICE_BENCH_XPATH_ENGINE_HPP

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace bench {

struct PrefixBinding {
    const char* prefix;
    const char* uri;
};

class XPathEngine {
  public:
    virtual ~XPathEngine() = default;
    virtual const char* name() const = 0;
    // Frees the tree held, then parses text (the caller's copy, writable and
    // NUL-terminated at length, which must outlive the tree). Returns
    // whether the document was accepted.
    virtual bool parse(char* text, std::size_t length) = 0;
    // Compiles one query; false when the engine refuses it. Queries are
    // numbered in the order they were added and outlive the trees.
    virtual bool add_query(const std::string& expression,
                           const std::vector<PrefixBinding>& prefixes) = 0;
    // Runs query number n on the tree, from the document node; describes
    // the value ("12 nodes", a number, a string's length and start, true).
    virtual void run(std::size_t n, std::string& summary) = 0;
    virtual void clear() = 0;  // the tree and the queries
};

std::unique_ptr<XPathEngine> make_xmlslice_engine();
// Each returns null when the library was not found at build time.
std::unique_ptr<XPathEngine> make_pugixml_engine();
std::unique_ptr<XPathEngine> make_libxml2_engine();

// The summary of a string value: its length and first bytes.
inline std::string summarise_string(const char* text, std::size_t length) {
    return std::to_string(length) + " bytes '" + std::string(text, length < 24 ? length : 24) + "'";
}
inline std::string summarise_number(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

}  // namespace bench

#endif  // XMLSLICE_BENCH_XPATH_ENGINE_HPP
