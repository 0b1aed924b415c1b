#include "parser/child_groups.hpp"

#include <cstdlib>

#include "tree/name_index.hpp"

namespace xmlslice::detail {

namespace {

// Elements with more child names than this find a group by hash.
constexpr std::size_t linear_limit = 8;

std::uint64_t slot_hash(const char* name, std::size_t length, std::size_t depth) {
    std::uint64_t hash = hash_bytes(name, length) ^ (depth * 0x9e3779b97f4a7c15ULL);
    return hash ^ (hash >> 29);
}

}  // namespace

ChildGroups::~ChildGroups() {
    std::free(slots_);
}

// Whether g is a live group of the element whose groups start at first, named name.
bool ChildGroups::matches(std::size_t first, std::size_t g, const char* name, std::size_t length) {
    if (g < first || g >= groups_.size()) return false;
    const ChildGroup& group = groups_[g];
    return group.name_length == length && equal_bytes(group.head->name, name, length);
}

std::size_t ChildGroups::find(std::size_t first, std::size_t depth, const char* name,
                              std::size_t length) {
    if (groups_.size() - first <= linear_limit) {
        for (std::size_t g = first; g < groups_.size(); ++g)
            if (matches(first, g, name, length)) return g;
        return none;
    }
    std::uint64_t hash = slot_hash(name, length, depth);
    for (std::size_t i = static_cast<std::uint32_t>(hash) & mask_;; i = (i + 1) & mask_) {
        const Slot& slot = slots_[i];
        if (!slot.depth) return none;
        if (slot.depth == depth + 1 && slot.hash == static_cast<std::uint32_t>(hash) &&
            matches(first, slot.group, name, length))
            return slot.group;
    }
}

// A slot of the same depth and hash is taken over when it belongs to a
// closed element or already names this group's name.
bool ChildGroups::index(std::size_t first, std::size_t depth, std::size_t g) {
    if ((used_ + 1) * 2 > mask_ + 1 && !grow()) return false;
    const ChildGroup& group = groups_[g];
    std::uint64_t hash = slot_hash(group.head->name, group.name_length, depth);
    for (std::size_t i = static_cast<std::uint32_t>(hash) & mask_;; i = (i + 1) & mask_) {
        Slot& slot = slots_[i];
        bool take = !slot.depth;
        if (slot.depth == depth + 1 && slot.hash == static_cast<std::uint32_t>(hash)) {
            bool live = slot.group >= first && slot.group < groups_.size();
            take = !live || matches(first, slot.group, group.head->name, group.name_length);
        }
        if (!take) continue;
        used_ += !slot.depth;
        slot = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(depth + 1), g};
        return true;
    }
}

bool ChildGroups::grow() {
    std::size_t old_count = slots_ ? mask_ + 1 : 0;
    std::size_t count = old_count ? old_count * 2 : 64;
    auto* fresh = static_cast<Slot*>(std::calloc(count, sizeof(Slot)));
    if (!fresh) return false;
    for (std::size_t i = 0; i < old_count; ++i) {
        if (!slots_[i].depth) continue;
        std::size_t j = slots_[i].hash & (count - 1);
        while (fresh[j].depth) j = (j + 1) & (count - 1);
        fresh[j] = slots_[i];
    }
    std::free(slots_);
    slots_ = fresh;
    mask_ = count - 1;
    return true;
}

bool ChildGroups::add(std::size_t first, std::size_t depth, XmlElement* head, std::size_t length) {
    std::size_t count = groups_.size() - first;
    if (count) groups_.back().head->next_name_group = head;
    if (!groups_.push({head, head, length})) return false;
    if (count < linear_limit) return true;
    if (count > linear_limit) return index(first, depth, groups_.size() - 1);
    for (std::size_t g = first; g < groups_.size(); ++g)
        if (!index(first, depth, g)) return false;
    return true;
}

}  // namespace xmlslice::detail
