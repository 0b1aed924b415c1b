#include "support/growth.hpp"

namespace xmlslice::detail {

bool grow_block(void*& block, std::size_t& capacity, std::size_t needed, std::size_t size) {
    std::size_t wanted = capacity > 8 ? 2 * capacity : 16;
    if (wanted < needed) wanted = needed;
    if (wanted > ~std::size_t(0) / size) return false;
    void* grown = std::realloc(block, wanted * size);
    if (!grown) return false;
    block = grown;
    capacity = wanted;
    return true;
}

}  // namespace xmlslice::detail
