#include "parser/attribute_declarations.hpp"

#include <cstdlib>

#include "parser/slot_array.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

char AttributeDeclarations::mode_of(std::size_t list, const char* attribute,
                                    std::size_t length) const {
    std::size_t triple = by_attribute_.find(list + 1, attribute, length);
    if (triple == NameIndex::npos) return ' ';
    return document_->attribute_defaults[list][1 + 3 * triple + 2][0];
}

std::size_t AttributeDeclarations::list_for(char* element, std::size_t length) {
    last_length_ = ~std::size_t(0);  // the answer kept by find_list may change
    std::size_t* slot = by_element_.find_or_add(0, element, length);
    if (!slot) return none;
    if (*slot != NameIndex::npos) return *slot;
    char*** table = lists_.empty() ? nullptr : document_->attribute_defaults;
    std::size_t count = lists_.size();
    auto** list = static_cast<char**>(std::malloc(2 * sizeof(char*)));
    if (!list || !lists_.reserve(count + 1) || !grow_slots(table, table_capacity_, count + 2)) {
        std::free(list);
        if (table) document_->attribute_defaults = table;
        return none;
    }
    list[0] = element;
    list[1] = nullptr;
    table[count] = list;
    table[count + 1] = nullptr;
    document_->attribute_defaults = table;
    lists_.push({0, 2});
    *slot = count;
    return count;
}

bool AttributeDeclarations::add(std::size_t list, char* attribute, std::size_t length,
                                char* default_value, const char* marker) {
    List& info = lists_[list];
    char**& slots = document_->attribute_defaults[list];
    if (!grow_slots(slots, info.capacity, 1 + 3 * info.triples + 4)) return false;
    char** triple = slots + 1 + 3 * info.triples;
    triple[0] = attribute;
    triple[1] = default_value;
    triple[2] = const_cast<char*>(marker);
    triple[3] = nullptr;
    return by_attribute_.insert(list + 1, attribute, length, info.triples++);
}

void AttributeDeclarations::trim() {
    if (lists_.empty()) return;
    for (std::size_t i = 0; i < lists_.size(); ++i)
        trim_slots(document_->attribute_defaults[i], 1 + 3 * lists_[i].triples + 1);
    trim_slots(document_->attribute_defaults, lists_.size() + 1);
}

}  // namespace xmlslice::detail
