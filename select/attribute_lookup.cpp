#include "select/attribute_lookup.hpp"

#include <cstring>

namespace xmlslice::detail {

namespace {

// Beyond this many names per element, repeats are found through a table.
constexpr std::size_t FEW_NAMES = 8;
constexpr std::uint32_t EMPTY_SLOT = ~std::uint32_t(0);

bool same_name(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

std::size_t table_size_for(std::size_t count) {
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    return size;
}

}  // namespace

std::size_t hash_name(std::string_view name) {
    std::size_t hash = 14695981039346656037ull;
    for (char c : name) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return hash;
}

bool is_namespace_declaration(const char* name) {
    return std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':');
}

bool AttributeLookup::load(XmlElement* top) {
    declared_.clear();
    if (!top) return true;
    // The root record begins the document record.
    auto* document = reinterpret_cast<XmlDocument*>(top);
    std::size_t count = 0;
    for (char*** list = document->attribute_defaults; *list; ++list) ++count;
    if (count == 0) return true;
    if (!declared_.resize(table_size_for(count))) return false;
    std::memset(static_cast<void*>(declared_.data()), 0, declared_.size() * sizeof(char**));
    std::size_t mask = declared_.size() - 1;
    for (char*** list = document->attribute_defaults; *list; ++list) {
        const char* name = (*list)[0];
        if (!name) continue;
        std::size_t slot = hash_name(name) & mask;
        while (declared_[slot] && !same_name(declared_[slot][0], name)) slot = (slot + 1) & mask;
        // The first list of a name is the one that counts, as in the core.
        if (!declared_[slot]) declared_[slot] = *list;
    }
    return true;
}

char** AttributeLookup::declared_list(const char* element_name) const {
    if (declared_.empty() || !element_name) return nullptr;
    std::size_t mask = declared_.size() - 1;
    std::size_t slot = hash_name(element_name) & mask;
    while (declared_[slot]) {
        if (same_name(declared_[slot][0], element_name)) return declared_[slot];
        slot = (slot + 1) & mask;
    }
    return nullptr;
}

FoundAttribute AttributeLookup::find(XmlElement* element, const char* name) const {
    if (is_namespace_declaration(name)) return {};
    std::uint32_t rank = 0;
    for (char** pair = element->attributes; *pair; pair += 2, ++rank)
        if (same_name(pair[0], name)) return {pair[0], pair[1], rank, false};
    char** declared = declared_list(element->name);
    if (!declared) return {};
    for (char** triple = declared + 1; *triple; triple += 3, ++rank)
        // A declaration without a default value gives no attribute.
        if (same_name(triple[0], name))
            return {triple[1] ? triple[0] : nullptr, triple[1], rank, true};
    return {};
}

bool AttributeLookup::gather(XmlElement* element) {
    candidates_.clear();
    std::uint32_t rank = 0;
    for (char** pair = element->attributes; *pair; pair += 2, ++rank)
        if (!candidates_.push_back({pair[0], pair[1], rank, false})) return false;
    char** declared = declared_list(element->name);
    if (declared)
        for (char** triple = declared + 1; *triple; triple += 3, ++rank)
            if (!candidates_.push_back({triple[0], triple[1], rank, true})) return false;
    if (candidates_.size() <= FEW_NAMES) return true;
    if (!seen_.resize(table_size_for(candidates_.size()))) return false;
    for (std::uint32_t& slot : seen_) slot = EMPTY_SLOT;
    std::size_t mask = seen_.size() - 1;
    for (std::size_t k = 0; k < candidates_.size(); ++k) {
        std::size_t slot = hash_name(candidates_[k].name) & mask;
        while (seen_[slot] != EMPTY_SLOT &&
               !same_name(candidates_[seen_[slot]].name, candidates_[k].name))
            slot = (slot + 1) & mask;
        if (seen_[slot] == EMPTY_SLOT) seen_[slot] = static_cast<std::uint32_t>(k);
    }
    return true;
}

bool AttributeLookup::repeats_earlier(std::size_t k) const {
    const char* name = candidates_[k].name;
    if (candidates_.size() > FEW_NAMES) {
        std::size_t mask = seen_.size() - 1;
        std::size_t slot = hash_name(name) & mask;
        while (!same_name(candidates_[seen_[slot]].name, name)) slot = (slot + 1) & mask;
        return seen_[slot] != k;
    }
    for (std::size_t earlier = 0; earlier < k; ++earlier)
        if (same_name(candidates_[earlier].name, name)) return true;
    return false;
}

}  // namespace xmlslice::detail
