// The document's instruction table as a parse fills it: per target, the
// instruction texts and a position string ('<' before the root, '>' after).
#ifndef XMLSLICE_INSTRUCTIONS_HPP
#define XMLSLICE_INSTRUCTIONS_HPP

#include <cstddef>

#include "parser/keyed_lists.hpp"

namespace xmlslice::detail {

class Instructions {
  public:
    explicit Instructions(XmlDocument* document)
        : document_(document), lists_(&document->instructions, 1) {}

    // Records an instruction's text under its target (`length` bytes);
    // false without memory.
    bool add(char* target, std::size_t length, char* text);
    void trim();

  private:
    XmlDocument* document_;
    KeyedLists lists_;
    PodVector<std::size_t> position_capacities_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_INSTRUCTIONS_HPP
