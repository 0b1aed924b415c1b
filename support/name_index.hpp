// A hash index from (scope, name) to a number, so that lookups by name cost
// the same however many names a table holds. Scope separates independent
// sets of names in one index (the children of one parent, one table).
// Names are borrowed: they must outlive the index.
#ifndef XMLSLICE_NAME_INDEX_HPP
#define XMLSLICE_NAME_INDEX_HPP

#include <cstddef>
#include <cstdint>

#include "support/bytes.hpp"

namespace xmlslice::detail {

// The one "not found" of every index and table lookup.
constexpr std::size_t npos = ~std::size_t(0);

class NameIndex {
  public:
    static constexpr std::size_t npos = detail::npos;

    NameIndex() = default;
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;
    ~NameIndex();

    // The value stored for the key, or npos.
    std::size_t find(std::uintptr_t scope, const char* name, std::size_t length) const;
    // Stores value unless the key is present already (the first one stays).
    // Returns false only when memory runs out.
    bool insert(std::uintptr_t scope, const char* name, std::size_t length, std::size_t value);
    // The stored value for the key, inserting npos first when it is absent;
    // null when memory runs out.
    std::size_t* find_or_add(std::uintptr_t scope, const char* name, std::size_t length);
    void clear();

  private:
    struct Slot {
        std::uintptr_t scope;
        const char* name;
        std::size_t length;
        std::size_t value;
        std::uint64_t hash;
    };
    Slot* locate(std::uintptr_t scope, const char* name, std::size_t length,
                 std::uint64_t hash) const;
    bool grow();

    Slot* slots_ = nullptr;
    std::size_t mask_ = 0;  // slot count - 1; 0 with no table
    std::size_t count_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_NAME_INDEX_HPP
