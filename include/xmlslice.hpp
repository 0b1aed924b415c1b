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

}  // namespace xmlslice

#endif  // XMLSLICE_HPP
