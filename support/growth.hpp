// Every block the library fills grows the same way: to what is needed and at
// least to twice its size, so that filling it costs time linear in what it
// ends up holding. Tables get their exact size once they are filled.
#ifndef XMLSLICE_GROWTH_HPP
#define XMLSLICE_GROWTH_HPP

#include <cstddef>
#include <cstdlib>

namespace xmlslice::detail {

// Room for `needed` elements; on failure the block is left as it was.
template <class T>
bool grow(T*& block, std::size_t& capacity, std::size_t needed) {
    if (needed <= capacity) return true;
    std::size_t wanted = capacity > 8 ? 2 * capacity : 16;
    if (wanted < needed) wanted = needed;
    if (wanted > ~std::size_t(0) / sizeof(T)) return false;
    void* grown = std::realloc(block, wanted * sizeof(T));
    if (!grown) return false;
    block = static_cast<T*>(grown);
    capacity = wanted;
    return true;
}

// A failed trim keeps the larger block, which still holds everything.
template <class T>
void trim(T*& block, std::size_t used) {
    if (void* exact = std::realloc(block, used * sizeof(T))) block = static_cast<T*>(exact);
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_GROWTH_HPP
