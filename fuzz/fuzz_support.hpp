// Shared by the fuzz targets: parsing an exact-size copy of the input (so
// AddressSanitizer sees any read past the length), an iterative tree walk
// (inputs nest deeper than any stack) and a loud stop on a broken promise.
#ifndef XMLSLICE_FUZZ_SUPPORT_HPP
#define XMLSLICE_FUZZ_SUPPORT_HPP

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::fuzz {

[[noreturn]] inline void fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "FAILED: %s\n%s\n", what, detail.c_str());
    std::fflush(stderr);
    std::abort();
}

class ParsedCopy {
  public:
    ParsedCopy(const void* bytes, std::size_t size)
        : buffer_(static_cast<char*>(std::malloc(size ? size : 1))) {
        if (size) std::memcpy(buffer_, bytes, size);
        root = document_parse_buffer(buffer_, size);
        if (!root) fail("document_parse_buffer returned null");
    }
    ParsedCopy(const ParsedCopy&) = delete;
    ParsedCopy& operator=(const ParsedCopy&) = delete;
    ~ParsedCopy() {
        element_free(root);
        std::free(buffer_);
    }

    bool failed() const { return *document_error_text(root) != '\0'; }

    XmlElement* root;

  private:
    char* buffer_;
};

// Every element under top (top included), parents before their children.
inline std::vector<XmlElement*> elements_under(XmlElement* top) {
    std::vector<XmlElement*> all;
    if (!top) return all;
    all.push_back(top);
    for (std::size_t i = 0; i < all.size(); ++i)
        for (XmlElement* c = all[i]->first_child; c; c = c->next_in_order) all.push_back(c);
    return all;
}

// The written text of an element, freed here.
inline std::string written(XmlElement* element) {
    char* text = element_to_text(element);
    if (!text) fail("element_to_text returned null");
    std::string result = text;
    std::free(text);
    return result;
}

}  // namespace xmlslice::fuzz

#endif  // XMLSLICE_FUZZ_SUPPORT_HPP
