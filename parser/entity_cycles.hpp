// Refuses entity declarations that would make expansion endless.
#ifndef XMLSLICE_ENTITY_CYCLES_HPP
#define XMLSLICE_ENTITY_CYCLES_HPP

#include <cstddef>
#include <cstdint>

#include "parser/entity_set.hpp"
#include "tree/pod_vector.hpp"

namespace xmlslice::detail {

// Checks against one table, following the references its expansion follows:
// '&' for general entities, '%' for parameter entities. Each check walks every
// value it reaches once, without recursion.
class EntityCycleCheck {
  public:
    EntityCycleCheck(const EntitySet& table, char reference)
        : table_(table), reference_(reference) {}

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
    PodVector<DecodeContext::Segment> pending_;
    PodVector<char> key_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_ENTITY_CYCLES_HPP
