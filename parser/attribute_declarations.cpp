#include "parser/attribute_declarations.hpp"

namespace xmlslice::detail {

DecodeMode AttributeDeclarations::mode_of(std::size_t list, const char* attribute,
                                          std::size_t length) const {
    std::size_t mode = modes_.find(list + 1, attribute, length);
    return mode == NameIndex::npos ? DecodeMode::attribute : static_cast<DecodeMode>(mode);
}

bool AttributeDeclarations::add(char* element, std::size_t element_length, char* attribute,
                                std::size_t length, char* default_value, const char* marker) {
    last_length_ = ~std::size_t(0);  // the kept answer may change
    std::size_t list = lists_.list_for(element, element_length);
    char** triple = list == none ? nullptr : lists_.append(list, 3);
    if (!triple) return false;
    triple[0] = attribute;
    triple[1] = default_value;
    triple[2] = const_cast<char*>(marker);
    auto mode = static_cast<std::size_t>(mode_of_marker(marker));
    return modes_.insert(list + 1, attribute, length, mode);
}

}  // namespace xmlslice::detail
