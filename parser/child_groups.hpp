// The name groups of the open elements' children during a parse: for each
// group its head, its last member and its name's length. A parent whose
// children all share one name needs no entry (its first child heads the
// group, its last ends it), so deep documents need none. An element with
// many child names finds a group through a hash keyed by depth and name; an
// entry left by an element already closed is overwritten, never trusted.
#ifndef XMLSLICE_CHILD_GROUPS_HPP
#define XMLSLICE_CHILD_GROUPS_HPP

#include <cstddef>

#include "support/name_index.hpp"
#include "support/pod_vector.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

struct ChildGroup {
    XmlElement* head;
    XmlElement* tail;
    std::size_t name_length;
};

class ChildGroups {
  public:
    static constexpr std::size_t none = NameIndex::npos;

    // An element's groups run from `first` (size() when it opened) to the end.
    std::size_t size() const { return groups_.size(); }
    ChildGroup& operator[](std::size_t g) { return groups_[g]; }
    void close(std::size_t first) { groups_.truncate(first); }

    std::size_t find(std::size_t first, std::size_t depth, const char* name, std::size_t length);
    // Adds a group after the element's others; false when memory runs out.
    bool add(std::size_t first, std::size_t depth, const ChildGroup& group);

  private:
    bool matches(std::size_t first, std::size_t g, const char* name, std::size_t length);
    bool index(std::size_t depth, std::size_t g);

    PodVector<ChildGroup> groups_;
    NameIndex by_name_;  // (depth, name) -> group
    std::size_t* pending_ = nullptr;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_CHILD_GROUPS_HPP
