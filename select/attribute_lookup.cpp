#include "select/attribute_lookup.hpp"

#include <cstring>

namespace xmlslice::detail {

namespace {

// Beyond this many names per element, repeats are found through a map.
constexpr std::size_t FEW_NAMES = 8;

bool same_name(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

}  // namespace

void AttributeLookup::load(XmlElement* element) {
    declared_.clear();
    document_ = nullptr;
    if (!element) return;
    while (element->parent) element = element->parent;
    // The root record begins the document record.
    document_ = reinterpret_cast<XmlDocument*>(element);
    // The first list of a name is the one that counts, as in the core.
    for (char*** list = document_->attribute_defaults; *list; ++list)
        if ((*list)[0]) declared_.emplace((*list)[0], *list);
}

char** AttributeLookup::declared_list(const char* element_name) {
    if (declared_.empty() || !element_name) return nullptr;
    auto found = declared_.find(element_name);
    return found == declared_.end() ? nullptr : found->second;
}

FoundAttribute AttributeLookup::find(XmlElement* element, const char* name) {
    for (char** pair = element->attributes; *pair; pair += 2)
        if (same_name(pair[0], name)) return {pair[0], pair[1], false};
    char** declared = declared_list(element->name);
    if (!declared) return {};
    for (char** triple = declared + 1; *triple; triple += 3)
        // A declaration without a default value gives no attribute.
        if (same_name(triple[0], name)) return {triple[1] ? triple[0] : nullptr, triple[1], true};
    return {};
}

void AttributeLookup::gather(XmlElement* element) {
    candidates_.clear();
    for (char** pair = element->attributes; *pair; pair += 2)
        candidates_.push_back({pair[0], pair[1], false});
    char** declared = declared_list(element->name);
    if (declared)
        for (char** triple = declared + 1; *triple; triple += 3)
            candidates_.push_back({triple[0], triple[1], true});
    if (candidates_.size() <= FEW_NAMES) return;
    first_of_name_.clear();
    for (std::size_t k = 0; k < candidates_.size(); ++k)
        first_of_name_.emplace(candidates_[k].name, k);
}

bool AttributeLookup::repeats_earlier(std::size_t k) const {
    const char* name = candidates_[k].name;
    if (candidates_.size() > FEW_NAMES) return first_of_name_.find(name)->second != k;
    for (std::size_t earlier = 0; earlier < k; ++earlier)
        if (same_name(candidates_[earlier].name, name)) return true;
    return false;
}

}  // namespace xmlslice::detail
