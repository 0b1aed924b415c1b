// A set of element pointers: open addressing in one buffer that grows as
// it fills, cleared and refilled between uses without giving memory back.
#ifndef XMLSLICE_SELECT_POINTER_SET_HPP
#define XMLSLICE_SELECT_POINTER_SET_HPP

#include <cstdint>
#include <cstring>

#include "select/buffer.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

class PointerSet {
  public:
    // Empties the set; false when out of memory.
    bool clear() {
        count_ = 0;
        if (slots_.empty() && !slots_.resize(64)) return false;
        std::memset(static_cast<void*>(slots_.data()), 0, slots_.size() * sizeof(XmlElement*));
        return true;
    }
    // Adds element; added says whether it was new. False when out of memory.
    bool insert(const XmlElement* element, bool& added) {
        added = false;
        if (2 * (count_ + 1) > slots_.size() && !grow()) return false;
        std::size_t slot = find(element);
        if (slots_[slot]) return true;
        slots_[slot] = element;
        ++count_;
        added = true;
        return true;
    }
    bool contains(const XmlElement* element) const {
        return !slots_.empty() && slots_[find(element)] != nullptr;
    }

  private:
    std::size_t find(const XmlElement* element) const {
        std::size_t mask = slots_.size() - 1;
        // Records are at least 8-byte aligned: drop the bits that never vary.
        auto bits = reinterpret_cast<std::uintptr_t>(element) >> 3;
        std::size_t slot = static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ull) & mask;
        while (slots_[slot] && slots_[slot] != element) slot = (slot + 1) & mask;
        return slot;
    }
    bool grow() {
        Buffer<const XmlElement*> old = static_cast<Buffer<const XmlElement*>&&>(slots_);
        if (!slots_.resize(old.size() ? 2 * old.size() : 64)) {
            slots_ = static_cast<Buffer<const XmlElement*>&&>(old);
            return false;
        }
        std::memset(static_cast<void*>(slots_.data()), 0, slots_.size() * sizeof(XmlElement*));
        for (const XmlElement* kept : old)
            if (kept) slots_[find(kept)] = kept;
        return true;
    }

    Buffer<const XmlElement*> slots_;
    std::size_t count_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_POINTER_SET_HPP
