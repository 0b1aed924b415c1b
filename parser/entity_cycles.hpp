// Refuses entity declarations that would make expansion endless.
#ifndef XMLSLICE_ENTITY_CYCLES_HPP
#define XMLSLICE_ENTITY_CYCLES_HPP

#include <cstddef>
#include <cstdint>

#include "parser/entity_set.hpp"
#include "support/pod_vector.hpp"

namespace xmlslice::detail {

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

#endif  // XMLSLICE_ENTITY_CYCLES_HPP
