// The document's attribute-default table with a parse-time index: element
// name to its one per-element list, and (list, attribute name) to the first
// triple of that name, so that a start tag's lookups cost the same however
// many declarations the subset made.
#ifndef XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP
#define XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP

#include <cstddef>

#include "tree/name_index.hpp"
#include "tree/pod_vector.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

class AttributeDeclarations {
  public:
    static constexpr std::size_t none = NameIndex::npos;

    explicit AttributeDeclarations(XmlDocument* document) : document_(document) {}

    bool empty() const { return lists_.empty(); }
    // The per-element list of an element name, or none. Elements of one name
    // tend to come in runs, so the last answer is kept.
    std::size_t find_list(const char* element, std::size_t length) {
        if (length != last_length_ || !equal_bytes(element, last_element_, length)) {
            last_list_ = by_element_.find(0, element, length);
            last_element_ = element;
            last_length_ = length;
        }
        return last_list_;
    }
    // The decoding mode of an attribute: its first declaration's marker, or ' '.
    char mode_of(std::size_t list, const char* attribute, std::size_t length) const;

    // The list of an element name, made when it has none; none when memory runs out.
    std::size_t list_for(char* element, std::size_t length);
    bool add(std::size_t list, char* attribute, std::size_t length, char* default_value,
             const char* marker);
    // Gives every list and the table their exact sizes.
    void trim();

  private:
    struct List {
        std::size_t triples;
        std::size_t capacity;  // pointer slots
    };
    XmlDocument* document_;
    PodVector<List> lists_;
    std::size_t table_capacity_ = 0;
    NameIndex by_element_;
    const char* last_element_ = "";
    std::size_t last_length_ = 0;
    std::size_t last_list_ = none;
    NameIndex by_attribute_;  // scope: list number + 1
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_ATTRIBUTE_DECLARATIONS_HPP
