// Every block the library fills grows the same way: to what is needed and at
// least to twice its size, so that filling it costs time linear in what it
// ends up holding. Tables get their exact size once they are filled. Three
// blocks are sized otherwise, each once: a name index doubles its slots and
// rehashes (NameIndex::grow), a converted input is given the most its units
// can take (convert_to_utf8), and a decoded text moving to the heap is given
// room for the rest of its segment (Decoder::move_to_heap).
#ifndef XMLSLICE_GROWTH_HPP
#define XMLSLICE_GROWTH_HPP

#include <cstddef>
#include <cstdlib>

namespace xmlslice::detail {

// Room for `needed` elements of `size` bytes, more than capacity holds; on
// failure the block is left as it was. One out-of-line body serves every
// element type.
bool grow_block(void*& block, std::size_t& capacity, std::size_t needed, std::size_t size);

template <class T>
bool grow(T*& block, std::size_t& capacity, std::size_t needed) {
    if (needed <= capacity) return true;
    void* untyped = block;
    bool grown = grow_block(untyped, capacity, needed, sizeof(T));
    block = static_cast<T*>(untyped);
    return grown;
}

// A failed trim keeps the larger block, which still holds everything.
template <class T>
void trim(T*& block, std::size_t used) {
    if (void* exact = std::realloc(block, used * sizeof(T))) block = static_cast<T*>(exact);
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_GROWTH_HPP
