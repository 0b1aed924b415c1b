#include "parser/keyed_lists.hpp"

#include <cstdlib>
#include <cstring>

#include "support/growth.hpp"

namespace xmlslice::detail {

std::size_t KeyedLists::list_for(char* key, std::size_t length) {
    std::size_t found = finder_.find(key, length);
    if (found != none) return found;
    std::size_t count = fills_.size();
    char*** table = count ? *table_ : nullptr;  // the shared empty list is never grown
    std::size_t slots = 2 + trailer_;
    auto** list = static_cast<char**>(std::calloc(slots, sizeof(char*)));
    if (!list || !fills_.reserve(count + 1) || !grow(table, table_capacity_, count + 2)) {
        std::free(list);
        if (table) *table_ = table;
        return none;
    }
    list[0] = key;
    table[count] = list;
    table[count + 1] = nullptr;
    *table_ = table;
    fills_.push({0, slots});
    return finder_.added(count) ? count : none;
}

char** KeyedLists::append(std::size_t list, std::size_t count) {
    Fill& fill = fills_[list];
    char**& slots = (*table_)[list];
    std::size_t end = 1 + fill.used;  // where the null stands
    if (!grow(slots, fill.capacity, end + count + 1 + trailer_)) return nullptr;
    std::memmove(slots + end + count + 1, slots + end + 1, trailer_ * sizeof(char*));
    slots[end + count] = nullptr;
    fill.used += count;
    return slots + end;
}

void KeyedLists::trim() {
    for (std::size_t i = 0; i < fills_.size(); ++i)
        detail::trim((*table_)[i], 1 + fills_[i].used + 1 + trailer_);
    if (!fills_.empty()) detail::trim(*table_, fills_.size() + 1);
}

}  // namespace xmlslice::detail
