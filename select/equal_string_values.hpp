// The elements whose string value equals a given string, found in one walk
// over a region of the tree. Each element's string value is gathered only
// up to one byte past the string's length, and an element's bytes are the
// tail of its parent's, so the walk reads every element and every text of
// the region once, however deep the region nests. Comparing element by
// element instead would read a subtree once for each ancestor compared.
#ifndef XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP
#define XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP

#include <string>
#include <string_view>
#include <vector>

#include "select/character_data.hpp"
#include "select/pointer_set.hpp"

namespace xmlslice::detail {

class EqualStringValues {
  public:
    // Finds them in the subtrees of members, a set in document order (an
    // element inside an earlier one's subtree is found on that walk), or,
    // when members is null, in the subtree of root. With a name, only
    // elements of that name are of interest: text outside them is not read.
    void find(const std::vector<XmlElement*>* members, XmlElement* root, std::string_view expected,
              const char* name);
    bool contains(const XmlElement* element) const { return equal_.contains(element); }

  private:
    // One open element: where its bytes start, and whether they outgrew
    // the expected string (then they are dropped).
    struct Level {
        std::size_t start;
        bool too_long;
    };

    void walk(XmlElement* top, const std::vector<XmlElement*>* members, std::size_t& member);
    void append(std::string_view run);

    std::string_view expected_;
    const char* name_;
    std::string bytes_;
    std::vector<Level> levels_;
    std::vector<TextCursor> cursors_;
    std::vector<XmlElement*> found_;
    PointerSet equal_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EQUAL_STRING_VALUES_HPP
