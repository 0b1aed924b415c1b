// The document's attribute-default table as the internal subset fills it,
// with what start tags need found by hash: an element name's list, and an
// attribute's decoding mode, so that a tag costs the same however many
// declarations there are.
#ifndef XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP
#define XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP

#include <cstddef>

#include "parser/keyed_lists.hpp"
#include "parser/text_decode.hpp"

namespace xmlslice::detail {

class AttributeDeclarations {
  public:
    static constexpr std::size_t none = KeyedLists::none;

    explicit AttributeDeclarations(XmlDocument* document)
        : lists_(&document->attribute_defaults, 0) {}

    bool empty() const { return lists_.empty(); }
    // The list of an element name, or none. Elements of one name tend to
    // come in runs, so the last answer is kept.
    std::size_t find_list(const char* element, std::size_t length) {
        if (length != last_length_ || !equal_bytes(element, last_element_, length)) {
            last_list_ = lists_.find(element, length);
            last_element_ = element;
            last_length_ = length;
        }
        return last_list_;
    }
    // How a value of the attribute is decoded: as its first declaration
    // says, or as an undeclared attribute's.
    DecodeMode mode_of(std::size_t list, const char* attribute, std::size_t length) const;
    // Appends a declaration to the element's list; false without memory.
    bool add(char* element, std::size_t element_length, char* attribute, std::size_t length,
             char* default_value, const char* marker);
    void trim() { lists_.trim(); }

  private:
    KeyedLists lists_;
    NameIndex modes_;  // (list + 1, attribute name) -> DecodeMode of the first declaration
    const char* last_element_ = "";
    std::size_t last_length_ = 0;
    std::size_t last_list_ = none;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP
