#include "parser/child_groups.hpp"

namespace xmlslice::detail {

namespace {

// Elements with more child names than this find a group by hash.
constexpr std::size_t linear_limit = 8;

}  // namespace

// Whether g is a group of the element whose groups start at first, named name.
bool ChildGroups::matches(std::size_t first, std::size_t g, const char* name, std::size_t length) {
    if (g < first || g >= groups_.size()) return false;
    const ChildGroup& group = groups_[g];
    return group.name_length == length && equal_bytes(group.head->name, name, length);
}

// A wide element's lookup leaves its entry pending, so that adding the group
// it did not find takes no second probe.
std::size_t ChildGroups::find(std::size_t first, std::size_t depth, const char* name,
                              std::size_t length) {
    pending_ = nullptr;
    if (groups_.size() - first > linear_limit) {
        pending_ = by_name_.find_or_add(depth, name, length);
        std::size_t g = pending_ ? *pending_ : none;
        if (!matches(first, g, name, length)) return none;
        pending_ = nullptr;
        return g;
    }
    for (std::size_t g = first; g < groups_.size(); ++g)
        if (matches(first, g, name, length)) return g;
    return none;
}

// Only one element per depth is open, so an older entry for the same depth
// and name belongs to a closed element.
bool ChildGroups::index(std::size_t depth, std::size_t g) {
    std::size_t* entry = pending_;
    if (!entry) entry = by_name_.find_or_add(depth, groups_[g].head->name, groups_[g].name_length);
    if (entry) *entry = g;
    pending_ = nullptr;
    return entry != nullptr;
}

bool ChildGroups::add(std::size_t first, std::size_t depth, const ChildGroup& group) {
    std::size_t count = groups_.size() - first;
    if (count) groups_.back().head->next_name_group = group.head;
    if (!groups_.push(group)) return false;
    if (count < linear_limit) return true;
    if (count > linear_limit) return index(depth, groups_.size() - 1);
    for (std::size_t g = first; g < groups_.size(); ++g)
        if (!index(depth, g)) return false;
    return true;
}

}  // namespace xmlslice::detail
