// xmlslice: a small in-place XML document library.
//
// A document is parsed in place: names, attribute values and text are
// NUL-terminated pieces of the input buffer, copied to the heap only when
// entity expansion lengthens them or separate runs of text are joined.
// Every operation accepts a null element and then returns a fixed empty
// result (null, "" or empty_list), so calls can be nested without checks.
#ifndef XMLSLICE_HPP
#define XMLSLICE_HPP

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace xmlslice {

// name, value, name, value, ..., null, ownership string
using AttributeList = char**;
// name (with its ';'), value, ..., null
using EntityTable = char**;
// per-element lists: element name, (attribute, default or null, " " or "*")..., null
using AttributeDefaultTable = char***;
// per-target lists: target, text..., null, position string ('<' or '>' each)
using InstructionTable = char***;

// Bits of XmlElement::flags.
constexpr std::uint16_t NAME_OWNED = 0x80;       // name is freed with the element
constexpr std::uint16_t TEXT_OWNED = 0x40;       // text is freed with the element
constexpr std::uint16_t COPY_ATTRIBUTES = 0x20;  // next element_set_attribute takes ownership

struct XmlElement {
    char* name;
    AttributeList attributes;  // never null: empty_list when there are none
    char* text;                // never null: "" when there is none
    std::size_t offset;        // bytes of the parent's text before this element
    XmlElement* next_same_name;
    XmlElement* next_name_group;  // on group heads: head of the next name group
    XmlElement* next_in_order;
    XmlElement* first_child;
    XmlElement* parent;  // null for the root
    std::uint16_t flags;
};

struct XmlDocument {
    XmlElement root;  // first, so the root element is the document
    XmlElement* current_element;
    char* source;
    std::size_t mapped_length;  // 0 caller owns source, ~0 heap buffer, else mapping length
    char* converted;            // UTF-8 copy of a UTF-16 input, or null
    char* text_start;
    char* text_end;
    EntityTable entities;
    AttributeDefaultTable attribute_defaults;
    InstructionTable instructions;
    std::uint16_t standalone;
    char error[128];  // "" or "[error near line N]: message"
};

// The library exports these and nothing else.
#pragma GCC visibility push(default)

// The shared empty list; compare against it, never write it.
extern char* const empty_list[1];

// Parsing. Each returns the root of a new document, also when the document
// has a syntax error (see document_error_text); null only when the input
// cannot be obtained. Free the result with element_free.
XmlElement* document_parse_buffer(char* buffer, std::size_t length);
XmlElement* document_parse_descriptor(int fd);
XmlElement* document_parse_path(const char* path);
XmlElement* document_parse_stream(std::FILE* stream);

// Building and freeing.
XmlElement* document_new(const char* name);
XmlElement* element_insert(XmlElement* element, XmlElement* parent, std::size_t offset);
XmlElement* element_add_child(XmlElement* parent, const char* name, std::size_t offset);
void element_free(XmlElement* element);
void attribute_list_free(AttributeList list);

// Queries: borrowed pointers into the tree, never copies.
XmlElement* element_first_named(XmlElement* element, const char* name);
XmlElement* element_nth_same_name(XmlElement* element, int n);
const char* element_attribute_value(XmlElement* element, const char* name);
XmlElement* element_find_path(XmlElement* element, ...);
XmlElement* element_find_path_list(XmlElement* element, std::va_list path);
char** document_instructions(XmlElement* element, const char* target);
const char* document_error_text(XmlElement* element);

// Editing. Host strings are stored, not copied, unless flags hand them over.
XmlElement* element_set_flags(XmlElement* element, int flags);
XmlElement* element_set_text(XmlElement* element, const char* text);
XmlElement* element_set_attribute(XmlElement* element, const char* name, const char* value);
XmlElement* element_detach(XmlElement* element);

// Serialising: a heap string the caller releases with free.
char* element_to_text(XmlElement* element);

#pragma GCC visibility pop

}  // namespace xmlslice

// C++ conveniences: owning handles and range-for views over the records
// above. Header-only; nothing here throws or allocates.
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string_view>
#include <utility>

namespace xmlslice {

// Frees a whole document (or a detached element and its subtree).
struct ElementDeleter {
    void operator()(XmlElement* element) const noexcept { element_free(element); }
};
using DocumentHandle = std::unique_ptr<XmlElement, ElementDeleter>;

// Frees a string returned by element_to_text.
struct TextDeleter {
    void operator()(char* text) const noexcept { std::free(text); }
};
using TextHandle = std::unique_ptr<char, TextDeleter>;

// The buffer is parsed in place and must outlive the document.
inline DocumentHandle parse_buffer(char* buffer, std::size_t length) noexcept {
    return DocumentHandle(document_parse_buffer(buffer, length));
}
// The descriptor stays open and the caller's; the document does not need it.
inline DocumentHandle parse_descriptor(int fd) noexcept {
    return DocumentHandle(document_parse_descriptor(fd));
}
inline DocumentHandle parse_path(const char* path) noexcept {
    return DocumentHandle(document_parse_path(path));
}
inline DocumentHandle parse_stream(std::FILE* stream) noexcept {
    return DocumentHandle(document_parse_stream(stream));
}
inline TextHandle to_text(XmlElement* element) noexcept {
    return TextHandle(element_to_text(element));
}

// Elements along one link, from a first element to the end of the chain.
template <XmlElement* XmlElement::*Next>
class ElementChain {
  public:
    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = XmlElement*;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = XmlElement*;

        explicit iterator(XmlElement* element = nullptr) noexcept : element_(element) {}
        XmlElement* operator*() const noexcept { return element_; }
        iterator& operator++() noexcept {
            element_ = element_->*Next;
            return *this;
        }
        iterator operator++(int) noexcept {
            iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const iterator& other) const noexcept { return element_ == other.element_; }
        bool operator!=(const iterator& other) const noexcept { return element_ != other.element_; }

      private:
        XmlElement* element_;
    };

    explicit ElementChain(XmlElement* first) noexcept : first_(first) {}
    iterator begin() const noexcept { return iterator(first_); }
    iterator end() const noexcept { return iterator(); }
    bool empty() const noexcept { return !first_; }

  private:
    XmlElement* first_;
};

using ChildRange = ElementChain<&XmlElement::next_in_order>;
using SameNameRange = ElementChain<&XmlElement::next_same_name>;

// An element's children in document order; empty for null.
inline ChildRange children(XmlElement* element) noexcept {
    return ChildRange(element ? element->first_child : nullptr);
}
// The run of same-name siblings from element on, in document order.
inline SameNameRange same_name_run(XmlElement* element) noexcept {
    return SameNameRange(element);
}
// Every child called name, in document order.
inline SameNameRange children_named(XmlElement* element, const char* name) noexcept {
    return SameNameRange(element_first_named(element, name));
}

// An element's own attributes as (name, value) pairs in list order, as
// stored: declared defaults are not included and a repeated name is seen
// twice (element_attribute_value answers with the first).
class AttributeRange {
  public:
    using Attribute = std::pair<std::string_view, std::string_view>;

    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Attribute;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Attribute;

        explicit iterator(char* const* slot = nullptr) noexcept : slot_(slot) {}
        Attribute operator*() const noexcept { return Attribute(slot_[0], slot_[1]); }
        iterator& operator++() noexcept {
            slot_ += 2;
            return *this;
        }
        iterator operator++(int) noexcept {
            iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const iterator& other) const noexcept {
            return position() == other.position();
        }
        bool operator!=(const iterator& other) const noexcept { return !(*this == other); }

      private:
        // The pairs end at a null slot; the end iterator has no slot at all.
        char* const* position() const noexcept { return slot_ && *slot_ ? slot_ : nullptr; }
        char* const* slot_;
    };

    explicit AttributeRange(XmlElement* element) noexcept
        : list_(element ? element->attributes : nullptr) {}
    iterator begin() const noexcept { return iterator(list_); }
    iterator end() const noexcept { return iterator(); }
    bool empty() const noexcept { return begin() == end(); }

  private:
    AttributeList list_;
};

inline AttributeRange attributes(XmlElement* element) noexcept {
    return AttributeRange(element);
}

}  // namespace xmlslice

#endif  // XMLSLICE_HPP
