// An entity table (pairs of "name;" and value, null-terminated) with a
// parse-time index, so that a reference costs the same however many entities
// are declared. The first entry of a name wins, as in a walk from the top.
#ifndef XMLSLICE_ENTITY_SET_HPP
#define XMLSLICE_ENTITY_SET_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "parser/text_decode.hpp"
#include "support/name_index.hpp"
#include "support/pod_vector.hpp"

namespace xmlslice::detail {

class EntitySet {
  public:
    // table: where the table pointer lives (a document's entities, or a
    // private table); the set indexes the entries already there.
    explicit EntitySet(char*** table) : table_(table) {}

    bool index_existing();
    // Room for one more pair; the new pair stays invisible until added.
    bool reserve_one();
    // Adds a pair after reserve_one: name ends with ';' (name_length counts it).
    bool add(char* name, std::size_t name_length, char* value, std::size_t value_length);
    // Gives the table its exact size once no more entries will be added.
    void trim();

    struct Match {
        std::size_t entry;
        std::size_t reference_length;  // from the '&' or '%' to the first ';', both included
    };
    // The first entry whose name the text after the '&' or '%' at the reader
    // begins with. Uses the context's scratch space and counts its search.
    bool find(Lookahead reader, DecodeContext& context, Match& match) const;
    // The entry, among those the table held before any declaration, that the
    // bytes after a '&' surely name; npos when the full search must decide.
    std::size_t find_leading(const char* bytes, std::size_t available) const;
    std::size_t name_length(std::size_t entry) const { return entries_[entry].name_length; }

    std::size_t count() const { return count_; }
    const char* name(std::size_t entry) const { return (*table_)[2 * entry]; }
    const char* value(std::size_t entry) const { return (*table_)[2 * entry + 1]; }
    std::size_t value_length(std::size_t entry) const { return entries_[entry].value_length; }
    // When the entry's value is exactly one valid character reference: its
    // encoding (at most 6 bytes) and that encoding's length.
    bool single_reference(std::size_t entry, char* encoded, std::size_t& length) const {
        const Entry& facts = entries_[entry];
        std::memcpy(encoded, facts.single, sizeof facts.single);
        length = facts.single_length;
        return length != 0;
    }
    // Whether the entry's value holds a CR or LF, or encodes to one.
    bool holds_line_end(std::size_t entry) const { return entries_[entry].line_end; }

  private:
    bool index_entry(std::size_t name_length, std::size_t value_length);
    std::size_t find_exotic(Lookahead reader, std::size_t& searched) const;
    std::size_t find_natural(Lookahead reader, PodVector<char>& key) const;

    struct Entry {
        std::size_t name_length;
        std::size_t value_length;
        char single[6];               // the value's encoding when it is one character reference
        unsigned char single_length;  // 0 when the value is anything else
        bool line_end;
    };

    char*** table_;
    std::size_t count_ = 0;
    std::size_t capacity_ = 0;  // pointer slots; 0 until the table is first grown
    PodVector<Entry> entries_;
    NameIndex natural_;                // names with no '&', '%' or ';' before their end
    PodVector<std::size_t> exotic_;    // the others, compared one by one
    std::size_t longest_natural_ = 0;  // longest natural name, ';' included
    std::size_t leading_ = 0;          // entries tried before any index
};

// Refuses entity declarations that would make expansion endless.
// Checks against one table, following the references its expansion follows:
// '&' for general entities, '%' for parameter entities. Each check walks every
// value it reaches once, without recursion; the bytes walked count against the
// parse's bound (past it the check gives up and answers true).
class EntityCycleCheck {
  public:
    EntityCycleCheck(const EntitySet& table, char reference, DecodeContext& context)
        : table_(table), reference_(reference), context_(context) {}

    // True when no chain of references from the value leads back to the name
    // (given with its ';').
    bool entity_is_acyclic(const char* name, std::size_t name_length, const char* value,
                           std::size_t value_length);

  private:
    bool first_visit(std::size_t entry);

    const EntitySet& table_;
    char reference_;
    std::uint32_t check_ = 0;
    PodVector<std::uint32_t> visited_;  // the check that last reached each entry
    DecodeContext& context_;
    PodVector<Segment> pending_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_ENTITY_SET_HPP
