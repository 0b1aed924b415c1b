#include "parser/keyed_lists.hpp"

#include <cstdlib>
#include <cstring>

#include "support/growth.hpp"

namespace xmlslice::detail {

[[gnu::cold]] std::size_t KeyedTableBuilder::list_for(char* key, std::size_t length) {
    std::size_t found = finder_.find(key, length);
    if (found != npos) return found;
    std::size_t count = fills_.size();
    char*** table = count ? table_ : nullptr;  // the shared empty list is never grown
    std::size_t slots = 2 + trailer_;
    auto** list = static_cast<char**>(std::calloc(slots, sizeof(char*)));
    if (!list || !fills_.reserve(count + 1) || !grow(table, table_capacity_, count + 2)) {
        std::free(list);
        return npos;
    }
    list[0] = key;
    table[count] = list;
    table[count + 1] = nullptr;
    table_ = table;
    fills_.push({0, slots});
    return finder_.added(count) ? count : npos;
}

[[gnu::cold]] char** KeyedTableBuilder::append(std::size_t list, std::size_t count) {
    Fill& fill = fills_[list];
    char**& slots = table_[list];
    std::size_t end = 1 + fill.used;  // where the null stands
    if (!grow(slots, fill.capacity, end + count + 1 + trailer_)) return nullptr;
    std::memmove(slots + end + count + 1, slots + end + 1, trailer_ * sizeof(char*));
    slots[end + count] = nullptr;
    fill.used += count;
    return slots + end;
}

[[gnu::cold]] void KeyedTableBuilder::trim() {
    for (std::size_t i = 0; i < fills_.size(); ++i)
        detail::trim(table_[i], 1 + fills_[i].used + 1 + trailer_);
    if (!fills_.empty()) detail::trim(table_, fills_.size() + 1);
}

DecodeMode AttributeDeclarations::mode_of(std::size_t list, const char* attribute,
                                          std::size_t length) const {
    std::size_t mode = modes_.find(list + 1, attribute, length);
    return mode == npos ? DecodeMode::attribute : static_cast<DecodeMode>(mode);
}

bool AttributeDeclarations::add(char* element, std::size_t element_length, char* attribute,
                                std::size_t length, char* default_value, const char* marker) {
    last_length_ = ~std::size_t(0);  // the kept answer may change
    std::size_t list = lists_.list_for(element, element_length);
    char** triple = list == npos ? nullptr : lists_.append(list, 3);
    if (!triple) return false;
    triple[0] = attribute;
    triple[1] = default_value;
    triple[2] = const_cast<char*>(marker);
    auto mode = static_cast<std::size_t>(mode_of_marker(marker));
    return modes_.insert(list + 1, attribute, length, mode);
}

bool Instructions::add(char* target, std::size_t length, char* text) {
    std::size_t list = lists_.list_for(target, length);
    if (list == npos || !position_capacities_.reserve(list + 1)) return false;
    if (list == position_capacities_.size()) position_capacities_.push(0);
    std::size_t count = lists_.entries(list);
    char* positions = lists_.list(list).positions(count);
    if (!grow(positions, position_capacities_[list], count + 2)) return false;
    positions[count] = '\0';
    lists_.list(list).positions(count) = positions;  // before the list moves
    char** slot = lists_.append(list, 1);
    if (!slot) return false;
    *slot = text;
    positions[count] = document_->root.name ? '>' : '<';
    positions[count + 1] = '\0';
    return true;
}

[[gnu::cold]] void Instructions::trim() {
    for (std::size_t list = 0; list < position_capacities_.size(); ++list) {
        std::size_t count = lists_.entries(list);
        detail::trim(lists_.list(list).positions(count), count + 1);
    }
    lists_.trim();
}

}  // namespace xmlslice::detail
