// Document order across node kinds, for the sets that a step or a union
// leaves out of order. The first sort of a run numbers every element of the
// document in one walk (preorder number, end of subtree, depth); after that
// each node's place is two numbers:
//   root node        (0, 0)
//   element          (pre, 0)
//   attribute        (pre of its element, 1 + its rank)
//   text             (pre of the child after it, or the end of its holder's
//                    subtree; -1 - the holder's depth), so that a deeper
//                    run that ends a subtree comes before a shallower one
#ifndef XMLSLICE_SELECT_DOCUMENT_ORDER_HPP
#define XMLSLICE_SELECT_DOCUMENT_ORDER_HPP

#include <cstdint>

#include "select/buffer.hpp"
#include "select/nodes.hpp"

namespace xmlslice::detail {

class DocumentOrder {
  public:
    // Forgets the numbering (the next run may see another tree).
    void reset() { built_for_ = nullptr; }

    // Puts nodes, all of the document whose root record is top, in document
    // order without duplicates. False when out of memory.
    bool sort(Buffer<Node>& nodes, XmlElement* top);

  private:
    struct Entry {
        const XmlElement* element;
        std::uint32_t pre;
        std::uint32_t end;
        std::uint32_t depth;
    };
    struct Key {
        std::uint64_t major;
        std::int64_t minor;
        std::size_t index;
    };

    bool build(XmlElement* top);
    const Entry& entry(const XmlElement* element) const;
    Key key_of(const Node& node, std::size_t index) const;

    const XmlElement* built_for_ = nullptr;
    Buffer<Entry> table_;
    Buffer<Key> keys_;
    Buffer<Node> sorted_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_DOCUMENT_ORDER_HPP
