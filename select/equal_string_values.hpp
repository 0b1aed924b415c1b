// The elements whose string value equals a given string, found in one walk
// over the whole document. Each element's string value is gathered only up
// to one byte past the string's length, and an element's bytes are the tail
// of its parent's, so the walk reads every element and every text once,
// however deep the document nests. Comparing element by element instead
// would read a subtree once for each ancestor compared, which is what a
// comparison makes one by one only while they have entered few elements.
#ifndef XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP
#define XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP

#include <string_view>

#include "select/buffer.hpp"
#include "select/character_data.hpp"
#include "select/pointer_set.hpp"

namespace xmlslice::detail {

class EqualStringValues {
  public:
    // Finds them under top, the root record; false when out of memory.
    bool find(XmlElement* top, std::string_view expected);
    bool contains(const XmlElement* element) const;

  private:
    // One open element: where its bytes start, and whether they outgrew
    // the expected string (then they are dropped).
    struct Level {
        std::size_t start;
        bool too_long;
    };

    bool append(std::string_view run);

    std::string_view expected_;
    Buffer<char> bytes_;
    Buffer<Level> levels_;
    Buffer<TextCursor> cursors_;
    PointerSet equal_;
};

// Comparisons of string values made one by one may enter this many elements
// in a run; beyond, one walk over the document answers them.
constexpr std::size_t EQUALITY_BUDGET = std::size_t(1) << 16;

// One comparison's state in a run: how many elements its comparisons made
// one by one may still enter, and the walk's answer once they have used
// that up.
struct EqualityCache {
    std::size_t budget = 0;
    bool ready = false;
    EqualStringValues values;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP
