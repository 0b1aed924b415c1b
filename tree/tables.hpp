// The public tables, read and changed through this layer only: attribute
// lists, the entity table, and the tables of per-key lists (attribute
// declarations by element name, instructions by target). Layouts are those
// of xmlslice.hpp.
#ifndef XMLSLICE_TABLES_HPP
#define XMLSLICE_TABLES_HPP

#include <cstddef>

#include "support/name_index.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

// Bits of an attribute's ownership byte. No byte is 0, so the ownership
// string's length is the attribute count.
constexpr unsigned char OWNS_NAME = 0x80;
constexpr unsigned char OWNS_VALUE = 0x40;
constexpr unsigned char OWNS_NOTHING = 0x20;

// Pairs closed by a null slot: attribute lists and entity tables.
inline std::size_t pair_count(char* const* pairs) {
    std::size_t count = 0;
    while (pairs[2 * count]) ++count;
    return count;
}

// An attribute list: name, value pairs, a null, then the ownership string.
struct Attributes {
    explicit Attributes(AttributeList list) : Attributes(list, pair_count(list)) {}
    // A list whose pairs are not all filled yet, closed after `count`.
    Attributes(AttributeList list, std::size_t count) : slots(list), count(count) {}
    char*& name(std::size_t k) const { return slots[2 * k]; }
    char*& value(std::size_t k) const { return slots[2 * k + 1]; }
    char*& ownership() const { return slots[2 * count + 1]; }
    unsigned char bits(std::size_t k) const { return static_cast<unsigned char>(ownership()[k]); }
    // The first pair called name, or count when there is none.
    std::size_t find(const char* wanted) const {
        std::size_t k = 0;
        while (k < count && !names_equal(name(k), wanted)) ++k;
        return k;
    }

    AttributeList slots;
    std::size_t count;
};

// The bytes of a one-block attribute list of `count` pairs.
inline std::size_t attribute_list_bytes(std::size_t count) {
    return (2 * count + 2) * sizeof(char*) + count + 1;
}
// A list of `count` pairs in one block, its ownership string right behind
// the slots (the caller fills pairs and bytes); null without memory.
AttributeList attribute_list_new(std::size_t count);
// The list resized from `count` pairs to `new_count`, keeping the pairs and
// bytes both sizes have; a list that was not one block becomes one. Without
// memory a shrinking list stays where it is, closed shorter, and a growing
// one gives null, the list unchanged.
AttributeList attribute_list_resize(AttributeList list, std::size_t count, std::size_t new_count);

// One list of a per-key table: its key, then entries of `stride` slots up
// to one whose first slot is null.
struct KeyedList {
    char** slots;
    const char* key() const { return slots[0]; }
    std::size_t count(std::size_t stride = 1) const {
        std::size_t n = 0;
        while (slots[1 + stride * n]) ++n;
        return n;
    }
    char* slot(std::size_t i) const { return slots[1 + i]; }
    // An instruction list's position string lies behind its null.
    char*& positions(std::size_t count) const { return slots[count + 2]; }
};

// A declared attribute: name, default value (or null), type marker; a
// list holds count(3) of them.
struct Declared {
    const char* name;
    const char* default_value;
    const char* marker;
};
inline Declared declared_at(KeyedList list, std::size_t i) {
    return {list.slot(3 * i), list.slot(3 * i + 1), list.slot(3 * i + 2)};
}

// Finds the first list of a key: in turn while the lists are few, by hash
// when there are many.
class ListFinder {
  public:
    explicit ListFinder(char*** const& table) : table_(table) {}
    // The number of the first list called key, or npos.
    std::size_t find(const char* key, std::size_t length);
    char** operator[](std::size_t list) const { return table_[list]; }
    // A list appended as number `list`; false when memory runs out.
    bool added(std::size_t list);

  private:
    bool index_up_to(std::size_t count);

    char*** const& table_;     // the document's, which may move as it grows
    std::size_t indexed_ = 0;  // lists hashed so far
    NameIndex by_key_;
};

// The number of the first list of a per-key table called key (`length`
// bytes), or npos. Walks the lists in turn and allocates nothing.
std::size_t find_list(char*** table, const char* key, std::size_t length);

// The five predefined entities as the first pairs of every entity table.
extern const char* const predefined_entities[11];
constexpr std::size_t predefined_entity_count = 5;

// Frees the document's tables and the values they own.
void release_tables(XmlDocument* document);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TABLES_HPP
