/* xmlslice for C hosts: the records, flags and operations of xmlslice.hpp
 * with C linkage. Each operation is xmlslice_ followed by its C++ name
 * (xmlslice_document_parse_path, xmlslice_element_first_named, ...), each
 * constant XMLSLICE_ followed by its C++ name (XMLSLICE_TEXT_OWNED), and the
 * records and table types keep their names (XmlElement, AttributeList, ...).
 *
 * The functions are the library's own operations, so a document may be
 * built by C code and queried by C++ code or the other way round. Every rule
 * of xmlslice.hpp holds as written there: a null element gives a fixed empty
 * result, query results are borrowed, the document owns its elements and
 * tables, host strings stay the host's unless the flags hand them over.
 *
 * Included from C++, this header includes xmlslice.hpp, and XmlElement,
 * XmlDocument and the table types in the global namespace are the very types
 * of namespace xmlslice: pointers pass between xmlslice_element_first_named
 * and xmlslice::element_first_named without a cast, and `using namespace
 * xmlslice;` leaves the unqualified names unambiguous. */
#ifndef XMLSLICE_H
#define XMLSLICE_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C++" { /* also when a host wraps this header in extern "C" */
#include "xmlslice.hpp"
}
#endif

/* Bits of XmlElement.flags. */
#define XMLSLICE_NAME_OWNED 0x80      /* name is freed with the element */
#define XMLSLICE_TEXT_OWNED 0x40      /* text is freed with the element */
#define XMLSLICE_COPY_ATTRIBUTES 0x20 /* next xmlslice_element_set_attribute takes ownership */

/* name, value, name, value, ..., NULL, ownership string */
typedef char** AttributeList;
/* name (with its ';'), value, ..., NULL */
typedef char** EntityTable;
/* per-element lists: element name, (attribute, default or NULL, " " or "*")..., NULL */
typedef char*** AttributeDefaultTable;
/* per-target lists: target, text..., NULL, position string ('<' or '>' each) */
typedef char*** InstructionTable;

#ifdef __cplusplus
/* C++ compiles the C records too, as twins that the library checks against
 * the C++ ones field by field; nothing else uses them. */
namespace xmlslice {
namespace c_records {
#endif

struct XmlElement {
    char* name;
    AttributeList attributes; /* never NULL: xmlslice_empty_list when there are none */
    char* text;               /* never NULL: "" when there is none */
    size_t offset;            /* bytes of the parent's text before this element */
    struct XmlElement* next_same_name;
    struct XmlElement* next_name_group; /* on group heads: head of the next name group */
    struct XmlElement* next_in_order;
    struct XmlElement* first_child;
    struct XmlElement* parent; /* NULL for the root */
    uint16_t flags;
};

struct XmlDocument {
    struct XmlElement root; /* first, so the root element is the document */
    struct XmlElement* current_element;
    char* source;
    size_t mapped_length; /* 0 caller owns source, ~0 heap buffer, else mapping length */
    char* converted;      /* UTF-8 copy of a UTF-16 input, or NULL */
    char* text_start;
    char* text_end;
    EntityTable entities;
    AttributeDefaultTable attribute_defaults;
    InstructionTable instructions;
    uint16_t standalone;
    char error[128]; /* "" or "[error near line N]: message" */
};

#ifdef __cplusplus
}  // namespace c_records
}  // namespace xmlslice
typedef xmlslice::XmlElement XmlElement;
typedef xmlslice::XmlDocument XmlDocument;
extern "C" {
#else
typedef struct XmlElement XmlElement;
typedef struct XmlDocument XmlDocument;
#endif

/* The library exports these and nothing else. */
#pragma GCC visibility push(default)

/* The shared empty list (xmlslice::empty_list); compare against it, never
 * write it. */
extern char* const* const xmlslice_empty_list;

/* Parsing. Each returns the root of a new document, also when the document
 * has a syntax error (see xmlslice_document_error_text); NULL only when the
 * input cannot be obtained. Free the result with xmlslice_element_free. The
 * buffer of xmlslice_document_parse_buffer stays the caller's and must
 * outlive the document; a descriptor or stream stays open. */
XmlElement* xmlslice_document_parse_buffer(char* buffer, size_t length);
XmlElement* xmlslice_document_parse_descriptor(int fd);
XmlElement* xmlslice_document_parse_path(const char* path);
XmlElement* xmlslice_document_parse_stream(FILE* stream);

/* Building and freeing. */
XmlElement* xmlslice_document_new(const char* name);
XmlElement* xmlslice_element_insert(XmlElement* element, XmlElement* parent, size_t offset);
XmlElement* xmlslice_element_add_child(XmlElement* parent, const char* name, size_t offset);
void xmlslice_element_free(XmlElement* element);
void xmlslice_attribute_list_free(AttributeList list);

/* Queries: borrowed pointers into the tree, never copies. The path of
 * xmlslice_element_find_path is (const char *name, int index) pairs ended by
 * "", the index counted from 0 as in xmlslice_element_nth_same_name. */
XmlElement* xmlslice_element_first_named(XmlElement* element, const char* name);
XmlElement* xmlslice_element_nth_same_name(XmlElement* element, int n);
const char* xmlslice_element_attribute_value(XmlElement* element, const char* name);
XmlElement* xmlslice_element_find_path(XmlElement* element, ...);
XmlElement* xmlslice_element_find_path_list(XmlElement* element, va_list path);
char** xmlslice_document_instructions(XmlElement* element, const char* target);
const char* xmlslice_document_error_text(XmlElement* element);

/* Editing. Host strings are stored, not copied, unless flags hand them over. */
XmlElement* xmlslice_element_set_flags(XmlElement* element, int flags);
XmlElement* xmlslice_element_set_text(XmlElement* element, const char* text);
XmlElement* xmlslice_element_set_attribute(XmlElement* element, const char* name,
                                           const char* value);
XmlElement* xmlslice_element_detach(XmlElement* element);

/* Serialising: a heap string the caller releases with free. */
char* xmlslice_element_to_text(XmlElement* element);

#pragma GCC visibility pop

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* XMLSLICE_H */
