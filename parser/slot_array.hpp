// Null-terminated pointer tables grow geometrically while a parse fills
// them and get their exact size when it ends.
#ifndef XMLSLICE_SLOT_ARRAY_HPP
#define XMLSLICE_SLOT_ARRAY_HPP

#include <cstddef>
#include <cstdlib>

namespace xmlslice::detail {

// Makes room for `needed` elements; capacity 0 means the block's size is
// unknown (it may be exactly full). On failure the block is unchanged.
template <class Slot>
bool grow_slots(Slot*& array, std::size_t& capacity, std::size_t needed) {
    if (needed <= capacity) return true;
    std::size_t wanted = needed * 2;
    void* grown = std::realloc(array, wanted * sizeof(Slot));
    if (!grown) return false;
    array = static_cast<Slot*>(grown);
    capacity = wanted;
    return true;
}

template <class Slot>
void trim_slots(Slot*& array, std::size_t used) {
    void* exact = std::realloc(array, used * sizeof(Slot));
    if (exact) array = static_cast<Slot*>(exact);
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SLOT_ARRAY_HPP
