// Attribute values as element_attribute_value answers them (own values, then
// the document's declared defaults), with the document and its per-element
// declarations found once per run instead of once per element.
#ifndef XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
#define XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP

#include <string_view>
#include <unordered_map>

#include "xmlslice.hpp"

namespace xmlslice::detail {

// An attribute as found: its name and value as stored in the tree.
struct FoundAttribute {
    const char* name = nullptr;  // null when there is no such attribute
    const char* value = nullptr;
    bool declared_default = false;
};

class AttributeLookup {
  public:
    // Prepares for elements of the document that element belongs to.
    void load(XmlElement* element);

    // The attribute name of element.
    FoundAttribute find(XmlElement* element, const char* name);

    // Calls visit(name, value, declared_default) for each attribute of
    // element: its own in list order, then the declared defaults it does not
    // override. A repeated name counts once, the first time. Stops when
    // visit returns false; returns false then.
    template <class Visit>
    bool for_each(XmlElement* element, Visit visit) {
        AttributeList own = element->attributes;
        std::size_t own_count = 0;
        while (own[2 * own_count]) ++own_count;
        char** declared = declared_list(element->name);
        start_names(own, own_count);
        for (std::size_t k = 0; k < own_count; ++k)
            if (!seen_before(own, k) && !visit(own[2 * k], own[2 * k + 1], false)) return false;
        if (!declared) return true;
        for (char** triple = declared + 1; *triple; triple += 3)
            if (triple[1] && !is_own(own, own_count, triple[0]) &&
                !visit(triple[0], triple[1], true))
                return false;
        return true;
    }

  private:
    char** declared_list(const char* element_name);
    // Repeats among the own names: compared pairwise while the list is
    // short, through a set when it is long.
    void start_names(AttributeList own, std::size_t count);
    bool seen_before(AttributeList own, std::size_t k);
    bool is_own(AttributeList own, std::size_t count, const char* name);

    XmlDocument* document_ = nullptr;
    std::unordered_map<std::string_view, char**> declared_;
    std::unordered_map<std::string_view, std::size_t> own_first_;  // name: its first index
    bool hashed_ = false;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
