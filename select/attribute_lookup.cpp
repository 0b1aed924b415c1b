#include "select/attribute_lookup.hpp"

#include <cstring>

namespace xmlslice::detail {

namespace {

// Own lists longer than this are checked for repeats through a set.
constexpr std::size_t SHORT_LIST = 8;

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

void AttributeLookup::start_names(AttributeList own, std::size_t count) {
    hashed_ = count > SHORT_LIST;
    if (!hashed_) return;
    own_first_.clear();
    for (std::size_t k = 0; k < count; ++k) own_first_.emplace(own[2 * k], k);
}

bool AttributeLookup::seen_before(AttributeList own, std::size_t k) {
    if (hashed_) return own_first_.find(own[2 * k])->second != k;
    for (std::size_t earlier = 0; earlier < k; ++earlier)
        if (same_name(own[2 * earlier], own[2 * k])) return true;
    return false;
}

bool AttributeLookup::is_own(AttributeList own, std::size_t count, const char* name) {
    if (hashed_) return own_first_.count(name) != 0;
    for (std::size_t k = 0; k < count; ++k)
        if (same_name(own[2 * k], name)) return true;
    return false;
}

}  // namespace xmlslice::detail
