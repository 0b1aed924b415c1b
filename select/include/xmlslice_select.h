/* xmlslice select for C hosts: the XPath 1.0 engine of xmlslice_select.hpp
 * with C linkage. Link with xmlslice-select (CMake: xmlslice::select).
 *
 * Names: each function is xmlslice_ followed by its C++ class and member in
 * lower case (Select::compile is xmlslice_select_compile,
 * SelectResult::number is xmlslice_select_result_number,
 * SelectBindings::set_string is xmlslice_select_bindings_set_string), each
 * constant XMLSLICE_SELECT_ or XMLSLICE_NODE_ followed by its enumerator
 * (SelectKind::number is XMLSLICE_SELECT_NUMBER, NodeKind::text is
 * XMLSLICE_NODE_TEXT). The handles keep the classes' names: Select,
 * SelectResult and SelectBindings are opaque in C; included from C++ they
 * are the xmlslice classes themselves, so a handle made here may be used
 * through xmlslice_select.hpp and a C++ object passed here by address.
 *
 * A string from a result is a pointer and a length, as a std::string_view
 * is in C++: it points into the tree or into the result and is not
 * NUL-terminated (print it with "%.*s"). It stays valid while the tree is
 * neither edited nor freed and the result is neither run again nor freed.
 * Strings passed in (expressions, names, values) are NUL-terminated and
 * copied where they are kept.
 *
 * Out of memory, a handle that could not be made is NULL, and each function
 * takes NULL for it: a NULL result reads as a run that failed with "out of
 * memory", a NULL query runs as the empty query (an empty node-set), and
 * setting a variable in NULL bindings fails. Running, reading and binding
 * never abort; compiling does when an allocation fails (the engine's
 * compiler builds its program in standard containers). */
#ifndef XMLSLICE_SELECT_H
#define XMLSLICE_SELECT_H

#include <stddef.h>

#include "xmlslice.h"

#ifdef __cplusplus
extern "C++" { /* also when a host wraps this header in extern "C" */
#include "xmlslice_select.hpp"
}
typedef xmlslice::Select Select;
typedef xmlslice::SelectResult SelectResult;
typedef xmlslice::SelectBindings SelectBindings;
extern "C" {
#else
typedef struct Select Select;
typedef struct SelectResult SelectResult;
typedef struct SelectBindings SelectBindings;
#endif

/* What a value is (SelectKind): the first four are node-sets. */
enum {
    XMLSLICE_SELECT_ELEMENTS,   /* elements only */
    XMLSLICE_SELECT_ATTRIBUTES, /* attributes only */
    XMLSLICE_SELECT_TEXTS,      /* text nodes only */
    XMLSLICE_SELECT_NODES,      /* mixed kinds, or the root node */
    XMLSLICE_SELECT_NUMBER,
    XMLSLICE_SELECT_STRING,
    XMLSLICE_SELECT_BOOLEAN,
    XMLSLICE_SELECT_ANY,  /* xmlslice_select_kind only: it depends on the variables */
    XMLSLICE_SELECT_ERROR /* results only: the run failed */
};

/* What a node is (NodeKind). */
enum { XMLSLICE_NODE_ROOT, XMLSLICE_NODE_ELEMENT, XMLSLICE_NODE_ATTRIBUTE, XMLSLICE_NODE_TEXT };

#pragma GCC visibility push(default)

/* Compiles expression; NULL when it does not compile (or out of memory).
 * Every variable it names must be set in bindings, which may be NULL; the
 * prefixes bound there are kept by the query. On failure message (when
 * not NULL) receives the reason, cut to message_size bytes with its NUL,
 * and column (when not NULL) its 1-based byte column; on success "" and 0.
 * Free the query with xmlslice_select_free. */
Select* xmlslice_select_compile(const char* expression, const SelectBindings* bindings,
                                char* message, size_t message_size, size_t* column);
void xmlslice_select_free(Select* select);
/* The kind every run yields, XMLSLICE_SELECT_ANY when the variables decide. */
int xmlslice_select_kind(const Select* select);

/* Runs select into result and returns the result's kind. The context is
 * the element context (relative paths start there), or for
 * xmlslice_select_run_from_document the root node above the root element
 * of context's document, as XPath tools do. bindings (NULL for none) give
 * the variables' values. A NULL context gives an empty node-set. */
int xmlslice_select_run(const Select* select, XmlElement* context, const SelectBindings* bindings,
                        SelectResult* result);
int xmlslice_select_run_from_document(const Select* select, XmlElement* element,
                                      const SelectBindings* bindings, SelectResult* result);

/* A result to run into; reuse it across runs, which keeps its memory. */
SelectResult* xmlslice_select_result_new(void);
void xmlslice_select_result_free(SelectResult* result);
int xmlslice_select_result_kind(const SelectResult* result);
/* Why the run failed ("out of memory", "a path needs a node-set", ...),
 * NUL-terminated; "" when it did not. */
const char* xmlslice_select_result_error(const SelectResult* result);
/* XPath's number(), boolean() and string() of the value, whatever its kind
 * (NaN, 0 and "" for a failed run). For a node-set the string is the first
 * node's string value. */
double xmlslice_select_result_number(const SelectResult* result);
int xmlslice_select_result_boolean(const SelectResult* result);
const char* xmlslice_select_result_string(const SelectResult* result, size_t* length);

/* A node-set's nodes by index, in document order: none for other values.
 * The element is the node itself, the element holding an attribute or text,
 * or the root element for the root node. The name is an attribute's, NULL
 * for other nodes; the value an attribute's or text's, "" for other nodes.
 * An index past the end gives kind -1, NULL, NULL and "". */
size_t xmlslice_select_result_size(const SelectResult* result);
int xmlslice_select_result_node_kind(const SelectResult* result, size_t index);
XmlElement* xmlslice_select_result_node_element(const SelectResult* result, size_t index);
const char* xmlslice_select_result_node_name(const SelectResult* result, size_t index);
const char* xmlslice_select_result_node_value(const SelectResult* result, size_t index,
                                              size_t* length);

/* Variables, read when a query runs, and namespace prefixes, read when it
 * compiles. Names are written without '$'; setting a name again replaces
 * its value. Each setter returns 1, or 0 when out of memory (the binding is
 * then unchanged). Strings are copied; bound nodes still borrow from their
 * tree. */
SelectBindings* xmlslice_select_bindings_new(void);
void xmlslice_select_bindings_free(SelectBindings* bindings);
int xmlslice_select_bindings_set_string(SelectBindings* bindings, const char* name,
                                        const char* value);
int xmlslice_select_bindings_set_number(SelectBindings* bindings, const char* name, double value);
int xmlslice_select_bindings_set_boolean(SelectBindings* bindings, const char* name, int value);
/* A node-set variable: the nodes of node_set (none when it holds another
 * value), or count elements. They must be nodes of the document the query
 * runs on. */
int xmlslice_select_bindings_set_nodes(SelectBindings* bindings, const char* name,
                                       const SelectResult* node_set);
int xmlslice_select_bindings_set_elements(SelectBindings* bindings, const char* name,
                                          XmlElement* const* elements, size_t count);
/* prefix:name then matches by the namespace URI uri, whatever prefix the
 * document uses. */
int xmlslice_select_bindings_bind_prefix(SelectBindings* bindings, const char* prefix,
                                         const char* uri);

#pragma GCC visibility pop

#ifdef __cplusplus
}  // extern "C"
#endif

#endif /* XMLSLICE_SELECT_H */
