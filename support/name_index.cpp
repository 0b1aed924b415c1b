#include "support/name_index.hpp"

#include <cassert>
#include <cstdlib>
#include <cstring>

namespace xmlslice::detail {

namespace {

std::uint64_t mix(std::uint64_t value) {
    value ^= value >> 32;
    value *= 0xd6e8feb86659fd93ULL;
    value ^= value >> 32;
    return value;
}

std::uint64_t scoped_hash(std::uintptr_t scope, std::uint64_t name_hash) {
    return mix(name_hash ^ (static_cast<std::uint64_t>(scope) * 0x9e3779b97f4a7c15ULL));
}

std::uint64_t hash_bytes(const char* bytes, std::size_t length) {
    std::uint64_t hash = 0x243f6a8885a308d3ULL ^ length;
    std::uint64_t word = 0;
    if (length >= 8) {
        const char* last = bytes + length - 8;
        for (; bytes < last; bytes += 8) {
            std::memcpy(&word, bytes, 8);
            hash = mix(hash ^ word) * 0x9e3779b97f4a7c15ULL;
        }
        std::memcpy(&word, last, 8);  // the last eight bytes, overlapping the loop's
    } else if (length >= 4) {
        std::uint32_t head, tail;
        std::memcpy(&head, bytes, 4);
        std::memcpy(&tail, bytes + length - 4, 4);
        word = head | static_cast<std::uint64_t>(tail) << 32;
    } else {
        for (std::size_t i = 0; i < length; ++i)
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return mix(hash ^ word);
}

}  // namespace

NameIndex::~NameIndex() {
    std::free(slots_);
}

void NameIndex::clear() {
    std::free(slots_);
    slots_ = nullptr;
    mask_ = 0;
    count_ = 0;
}

NameIndex::Slot* NameIndex::locate(std::uintptr_t scope, const char* name, std::size_t length,
                                   std::uint64_t hash) const {
    assert(count_ <= mask_ / 2 + 1);  // at most half full: a probe always meets a free slot
    for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
        Slot* slot = &slots_[i];
        if (!slot->name) return slot;
        if (slot->hash == hash && slot->scope == scope && slot->length == length &&
            equal_bytes(slot->name, name, length))
            return slot;
    }
}

bool NameIndex::grow() {
    std::size_t old_count = slots_ ? mask_ + 1 : 0;
    std::size_t new_count = old_count ? old_count * 2 : 16;
    Slot* fresh = static_cast<Slot*>(std::calloc(new_count, sizeof(Slot)));
    if (!fresh) return false;
    Slot* old = slots_;
    slots_ = fresh;
    mask_ = new_count - 1;
    for (std::size_t i = 0; i < old_count; ++i) {
        if (!old[i].name) continue;
        *locate(old[i].scope, old[i].name, old[i].length, old[i].hash) = old[i];
    }
    std::free(old);
    return true;
}

std::size_t NameIndex::find(std::uintptr_t scope, const char* name, std::size_t length) const {
    if (!slots_) return npos;
    Slot* slot = locate(scope, name, length, scoped_hash(scope, hash_bytes(name, length)));
    return slot->name ? slot->value : npos;
}

std::size_t* NameIndex::find_or_add(std::uintptr_t scope, const char* name, std::size_t length) {
    if ((count_ + 1) * 2 > (slots_ ? mask_ + 1 : 0) && !grow()) return nullptr;
    std::uint64_t hash = scoped_hash(scope, hash_bytes(name, length));
    Slot* slot = locate(scope, name, length, hash);
    if (!slot->name) {
        *slot = Slot{scope, name, length, npos, hash};
        ++count_;
    }
    return &slot->value;
}

bool NameIndex::insert(std::uintptr_t scope, const char* name, std::size_t length,
                       std::size_t value) {
    std::size_t* stored = find_or_add(scope, name, length);
    if (!stored) return false;
    if (*stored == npos) *stored = value;
    return true;
}

}  // namespace xmlslice::detail
