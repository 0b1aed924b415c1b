// The tables of per-key lists a parse fills: the attribute declarations by
// element name and the instructions by target. KeyedTableBuilder fills one: A list holds
// its key, its slots, a null and `trailer` slots of the caller's; the table
// and its lists grow geometrically and get their exact sizes in trim().
#ifndef XMLSLICE_KEYED_LISTS_HPP
#define XMLSLICE_KEYED_LISTS_HPP

#include <cstddef>

#include "parser/text_decode.hpp"
#include "support/pod_vector.hpp"
#include "tree/tables.hpp"

namespace xmlslice::detail {

class KeyedTableBuilder {
  public:
    // table: where the table pointer lives; it holds no list yet.
    KeyedTableBuilder(char***& table, std::size_t trailer)
        : table_(table), finder_(table), trailer_(trailer) {}

    bool empty() const { return fills_.empty(); }
    std::size_t find(const char* key, std::size_t length) { return finder_.find(key, length); }
    KeyedList list(std::size_t list) const { return {finder_[list]}; }
    // The list called key, made when there is none; npos without memory.
    std::size_t list_for(char* key, std::size_t length);
    // Room for `count` more slots at the end of a list: where to write them.
    // Null without memory.
    char** append(std::size_t list, std::size_t count);
    // Slots filled after the key.
    std::size_t entries(std::size_t list) const { return fills_[list].used; }
    void trim();

  private:
    struct Fill {
        std::size_t used;      // slots after the key
        std::size_t capacity;  // pointer slots of the list's block
    };
    char***& table_;
    ListFinder finder_;
    std::size_t trailer_;
    PodVector<Fill> fills_;
    std::size_t table_capacity_ = 0;
};

// The document's attribute-default table as the internal subset fills it,
// with what start tags need found by hash: an element name's list, and an
// attribute's decoding mode, so that a tag costs the same however many
// declarations there are.
class AttributeDeclarations {
  public:
    explicit AttributeDeclarations(XmlDocument* document)
        : lists_(document->attribute_defaults, 0) {}

    bool empty() const { return lists_.empty(); }
    // The list of an element name, or npos. Elements of one name tend to
    // come in runs, so the last answer is kept.
    std::size_t list_of(const char* element, std::size_t length) {
        if (length != last_length_ || !equal_bytes(element, last_element_, length)) {
            last_list_ = lists_.find(element, length);
            last_element_ = element;
            last_length_ = length;
        }
        return last_list_;
    }
    // How a value of the attribute is decoded: as its first declaration
    // says, or as an undeclared attribute's.
    DecodeMode mode_of(std::size_t list, const char* attribute, std::size_t length) const;
    // Appends a declaration to the element's list; false without memory.
    bool add(char* element, std::size_t element_length, char* attribute, std::size_t length,
             char* default_value, const char* marker);
    void trim() { lists_.trim(); }

  private:
    KeyedTableBuilder lists_;
    NameIndex modes_;  // (list + 1, attribute name) -> DecodeMode of the first declaration
    const char* last_element_ = "";
    std::size_t last_length_ = 0;
    std::size_t last_list_ = npos;
};

// The document's instruction table as a parse fills it: per target, the
// instruction texts and a position string ('<' before the root, '>' after).
class Instructions {
  public:
    explicit Instructions(XmlDocument* document)
        : document_(document), lists_(document->instructions, 1) {}

    // Records an instruction's text under its target (`length` bytes);
    // false without memory.
    bool add(char* target, std::size_t length, char* text);
    void trim();

  private:
    XmlDocument* document_;
    KeyedTableBuilder lists_;
    PodVector<std::size_t> position_capacities_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_KEYED_LISTS_HPP
