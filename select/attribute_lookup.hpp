// Attribute nodes as element_attribute_value answers them (own values, then
// the document's declared defaults), with the per-element declarations found
// through a table built once per run instead of a search per element.
// xmlns and xmlns:* are namespace declarations, not attributes.
#ifndef XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
#define XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP

#include <cstdint>
#include <string_view>

#include "select/buffer.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

// An attribute as found: its name and value as stored in the tree, and its
// place among the element's attributes (own ones first, then declared).
struct FoundAttribute {
    const char* name = nullptr;  // null when there is no such attribute
    const char* value = nullptr;
    std::uint32_t rank = 0;
    bool declared_default = false;
};

bool is_namespace_declaration(const char* name);

class AttributeLookup {
  public:
    // Prepares for the elements of the document whose root record is top;
    // false when out of memory.
    bool load(XmlElement* top);

    // The attribute name of element.
    FoundAttribute find(XmlElement* element, const char* name) const;

    // Calls visit(found) for each attribute of element in order: its own in
    // list order, then the declared defaults it does not override. A name
    // repeated counts once, the first time, as in lookups. Stops when visit
    // returns false; returns false then or when out of memory (oom set).
    template <class Visit>
    bool for_each(XmlElement* element, Visit visit, bool& oom) {
        if (!gather(element)) {
            oom = true;
            return false;
        }
        for (std::size_t k = 0; k < candidates_.size(); ++k) {
            const FoundAttribute& found = candidates_[k];
            if (!found.value || is_namespace_declaration(found.name) || repeats_earlier(k))
                continue;
            if (!visit(found)) return false;
        }
        return true;
    }

    // The declarations of elements named element_name, or null.
    char** declared_list(const char* element_name) const;

  private:
    bool gather(XmlElement* element);
    bool repeats_earlier(std::size_t k) const;

    Buffer<char**> declared_;  // open addressing by element name; empty: no declarations
    Buffer<FoundAttribute> candidates_;
    Buffer<std::uint32_t> seen_;  // open addressing over candidates_, when they are many
};

// Byte hash for the engine's small tables.
std::size_t hash_name(std::string_view name);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
