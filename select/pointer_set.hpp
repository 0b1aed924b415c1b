// A set of element pointers: open addressing in one array, cleared and
// refilled between uses without giving its memory back.
#ifndef XMLSLICE_SELECT_POINTER_SET_HPP
#define XMLSLICE_SELECT_POINTER_SET_HPP

#include <cstdint>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::detail {

class PointerSet {
  public:
    // Empties the set and sizes it for up to count elements.
    void reset(std::size_t count) {
        std::size_t capacity = 16;
        while (capacity < 2 * count) capacity *= 2;
        slots_.assign(capacity, nullptr);
    }
    // Adds element; false when it was there already.
    bool insert(const XmlElement* element) {
        std::size_t slot = find(element);
        if (slots_[slot]) return false;
        slots_[slot] = element;
        return true;
    }
    bool contains(const XmlElement* element) const { return slots_[find(element)] != nullptr; }

  private:
    std::size_t find(const XmlElement* element) const {
        std::size_t mask = slots_.size() - 1;
        // Records are at least 8-byte aligned: drop the bits that never vary.
        auto bits = reinterpret_cast<std::uintptr_t>(element) >> 3;
        std::size_t slot = static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ull) & mask;
        while (slots_[slot] && slots_[slot] != element) slot = (slot + 1) & mask;
        return slot;
    }

    std::vector<const XmlElement*> slots_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_POINTER_SET_HPP
