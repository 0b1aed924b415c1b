// Builds the tree as the scanner reads it. Children come in document order,
// so each one links after its parent's last child and its name group's last
// member, found without walking a chain; an element's runs of text after
// its first are gathered and joined with it once, when it closes.
#ifndef XMLSLICE_TREE_BUILDER_HPP
#define XMLSLICE_TREE_BUILDER_HPP

#include <cstddef>

#include "support/name_index.hpp"
#include "support/pod_vector.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

// The name groups of the open elements' children during a parse: for each
// group its head, its last member and its name's length. A parent whose
// children all share one name needs no entry (its first child heads the
// group, its last ends it), so deep documents need none. An element with
// many child names finds a group through a hash keyed by depth and name; an
// entry left by an element already closed is overwritten, never trusted.
struct ChildGroup {
    XmlElement* head;
    XmlElement* tail;
    std::size_t name_length;
};

class ChildGroups {
  public:
    // An element's groups run from `first` (size() when it opened) to the end.
    std::size_t size() const { return groups_.size(); }
    ChildGroup& operator[](std::size_t g) { return groups_[g]; }
    void close(std::size_t first) { groups_.truncate(first); }

    std::size_t find(std::size_t first, std::size_t depth, const char* name, std::size_t length);
    // Adds a group after the element's others; false when memory runs out.
    bool add(std::size_t first, std::size_t depth, const ChildGroup& group);

  private:
    bool matches(std::size_t first, std::size_t g, const char* name, std::size_t length) const;
    bool index(std::size_t depth, std::size_t g);

    PodVector<ChildGroup> groups_;
    NameIndex by_name_;  // (depth, name) -> group
};

class TreeBuilder {
  public:
    explicit TreeBuilder(XmlDocument* document) : document_(document) {}

    // A start tag: names the root or adds a child to the open element, which
    // takes the attribute list. False without memory (the list is freed).
    bool open(char* name, std::size_t name_length, AttributeList attributes);
    // Closes the open element, whose name the end tag has matched; false
    // without memory to join its text.
    bool close();
    // A run of the open element's text, a heap string when `owned`; false
    // without memory.
    bool add_text(char* text, std::size_t length, bool owned) {
        if (frames_.back().text_length) return later_text(text, length, owned);
        first_text(text, length, owned);
        return true;
    }
    // Joins the texts of the elements still open.
    void finish();

  private:
    // An element whose end tag has not been seen.
    // Kept small: a deep document holds one per level.
    struct Frame {
        XmlElement* last_child;
        std::size_t text_length;  // of its text so far
        std::size_t first_byte;   // its later runs' first byte in later_text_
    };
    // The group entries of an open element whose children have more than one name.
    struct Grouped {
        std::size_t depth;        // of the element among the open ones
        std::size_t first_group;  // its children's first group in groups_
        std::size_t last_group;   // the last child's group
    };
    XmlElement* new_child(Frame& frame, char* name, std::size_t name_length);
    bool link_child(Frame& frame, XmlElement* child, std::size_t name_length);
    Grouped* make_groups(XmlElement* parent, XmlElement* last);
    Grouped* grouped();

    bool join_text(Frame& frame, XmlElement* element);
    void first_text(char* text, std::size_t length, bool owned);
    bool later_text(char* text, std::size_t length, bool owned);

    XmlDocument* document_;
    PodVector<Frame> frames_;
    PodVector<Grouped> grouped_;
    ChildGroups groups_;
    PodVector<char> later_text_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TREE_BUILDER_HPP
