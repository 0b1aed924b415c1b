// What id() finds: elements by xml:id, and by an attribute named id that the
// internal subset declares with a type other than CDATA. (The tree keeps only
// "CDATA or not" of a declaration, so an id declared NMTOKEN counts too; any
// other name declared ID does not.) The table is built on the first call of
// a run, in one walk, and the first element of an ID in document order wins.
#ifndef XMLSLICE_SELECT_ID_INDEX_HPP
#define XMLSLICE_SELECT_ID_INDEX_HPP

#include <string_view>

#include "select/attribute_lookup.hpp"
#include "select/buffer.hpp"

namespace xmlslice::detail {

class IdIndex {
  public:
    void reset() { built_for_ = nullptr; }

    // Sets found to the element with ID id, or null. False when out of memory.
    bool find(XmlElement* top, const AttributeLookup& attributes, std::string_view id,
              XmlElement*& found);

  private:
    struct Entry {
        const char* value;  // null: an empty slot
        std::size_t length;
        XmlElement* element;
    };

    bool build(XmlElement* top, const AttributeLookup& attributes);
    bool insert(std::string_view id, XmlElement* element);
    bool grow();

    const XmlElement* built_for_ = nullptr;
    Buffer<Entry> table_;
    std::size_t count_ = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_ID_INDEX_HPP
