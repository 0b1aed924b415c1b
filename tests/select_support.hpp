// What the select tests share: a document parsed from a copy of a string.
#ifndef XMLSLICE_TESTS_SELECT_SUPPORT_HPP
#define XMLSLICE_TESTS_SELECT_SUPPORT_HPP

#include <string>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::test_support {

// A document parsed from a copy of text, freed with the holder.
class Parsed {
  public:
    explicit Parsed(const std::string& text) : buffer_(text.begin(), text.end()) {
        buffer_.push_back('\0');
        root = document_parse_buffer(buffer_.data(), text.size());
    }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;
    ~Parsed() { element_free(root); }
    std::string error() const { return document_error_text(root); }

    XmlElement* root;

  private:
    std::vector<char> buffer_;
};

}  // namespace xmlslice::test_support

#endif  // XMLSLICE_TESTS_SELECT_SUPPORT_HPP
