// Attribute values as element_attribute_value answers them (own values, then
// the document's declared defaults), with the document and its per-element
// declarations found once per run instead of once per element.
#ifndef XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
#define XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP

#include <string_view>
#include <unordered_map>
#include <vector>

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
    // override. A repeated name counts once, the first time, as in lookups.
    // Stops when visit returns false; returns false then.
    template <class Visit>
    bool for_each(XmlElement* element, Visit visit) {
        gather(element);
        for (std::size_t k = 0; k < candidates_.size(); ++k) {
            const FoundAttribute& found = candidates_[k];
            if (!found.value || repeats_earlier(k)) continue;
            if (!visit(found.name, found.value, found.declared_default)) return false;
        }
        return true;
    }

  private:
    char** declared_list(const char* element_name);
    // Every name that may count: own ones, then declared ones.
    void gather(XmlElement* element);
    // Whether candidate k's name came before: compared pairwise while the
    // candidates are few, through a map when they are many.
    bool repeats_earlier(std::size_t k) const;

    XmlDocument* document_ = nullptr;
    std::unordered_map<std::string_view, char**> declared_;
    std::vector<FoundAttribute> candidates_;
    std::unordered_map<std::string_view, std::size_t> first_of_name_;  // when there are many
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_ATTRIBUTE_LOOKUP_HPP
