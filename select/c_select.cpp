// The C interface of xmlslice_select.h: each function forwards to its C++
// namesake. What it adds is what C lacks: handles on the heap, made without
// aborting when memory runs out, NULL handles read as documented, and
// string_views as pointer and length.
#include "xmlslice_select.h"

#include <cmath>
#include <cstring>
#include <new>

using xmlslice::NodeKind;
using xmlslice::SelectKind;
using xmlslice::SelectMatch;

// The C constants are the C++ enumerators.
static_assert(XMLSLICE_SELECT_ELEMENTS == int(SelectKind::elements) &&
              XMLSLICE_SELECT_ATTRIBUTES == int(SelectKind::attributes) &&
              XMLSLICE_SELECT_TEXTS == int(SelectKind::texts) &&
              XMLSLICE_SELECT_NODES == int(SelectKind::nodes) &&
              XMLSLICE_SELECT_NUMBER == int(SelectKind::number) &&
              XMLSLICE_SELECT_STRING == int(SelectKind::string) &&
              XMLSLICE_SELECT_BOOLEAN == int(SelectKind::boolean) &&
              XMLSLICE_SELECT_ANY == int(SelectKind::any) &&
              XMLSLICE_SELECT_ERROR == int(SelectKind::error));
static_assert(XMLSLICE_NODE_ROOT == int(NodeKind::root) &&
              XMLSLICE_NODE_ELEMENT == int(NodeKind::element) &&
              XMLSLICE_NODE_ATTRIBUTE == int(NodeKind::attribute) &&
              XMLSLICE_NODE_TEXT == int(NodeKind::text));

namespace {

// Copies text into the host's buffer of size bytes, cut to fit with its NUL.
void copy_message(std::string_view text, char* message, std::size_t size) {
    if (!message || size == 0) return;
    std::size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(message, text.data(), length);
    message[length] = '\0';
}

// A string_view as C receives it: never a null pointer.
const char* c_string(std::string_view text, std::size_t* length) {
    if (length) *length = text.size();
    return text.empty() ? "" : text.data();
}

// The node at index, or null past the end (and for a null result).
const SelectMatch* node_at(const SelectResult* result, std::size_t index) {
    if (!result || index >= result->size()) return nullptr;
    return &result->matches()[index];
}

// Runs select, or the empty query when it is null, with bindings or none.
int run_into(const Select* select, XmlElement* context, bool from_document,
             const SelectBindings* bindings, SelectResult* result) {
    if (!result) return XMLSLICE_SELECT_ERROR;
    Select empty;
    SelectBindings none;
    const Select& query = select ? *select : empty;
    if (from_document)
        query.run_from_document(context, *result, bindings ? *bindings : none);
    else
        query.run(context, *result, bindings ? *bindings : none);
    return int(result->kind());
}

}  // namespace

extern "C" {

Select* xmlslice_select_compile(const char* expression, const SelectBindings* bindings,
                                char* message, size_t message_size, size_t* column) {
    xmlslice::SelectError error;
    SelectBindings none;
    Select compiled = Select::compile(expression, bindings ? *bindings : none, &error);
    Select* select = compiled ? new (std::nothrow) Select(std::move(compiled)) : nullptr;
    if (compiled && !select) error.message = "out of memory";  // fits the small-string buffer
    copy_message(error.message, message, message_size);
    if (column) *column = error.column;
    return select;
}

void xmlslice_select_free(Select* select) {
    delete select;
}

int xmlslice_select_kind(const Select* select) {
    return int(select ? select->kind() : Select().kind());
}

int xmlslice_select_run(const Select* select, XmlElement* context, const SelectBindings* bindings,
                        SelectResult* result) {
    return run_into(select, context, false, bindings, result);
}

int xmlslice_select_run_from_document(const Select* select, XmlElement* element,
                                      const SelectBindings* bindings, SelectResult* result) {
    return run_into(select, element, true, bindings, result);
}

SelectResult* xmlslice_select_result_new(void) {
    return new (std::nothrow) SelectResult();
}

void xmlslice_select_result_free(SelectResult* result) {
    delete result;
}

int xmlslice_select_result_kind(const SelectResult* result) {
    return int(result ? result->kind() : SelectKind::error);
}

const char* xmlslice_select_result_error(const SelectResult* result) {
    // The C++ messages are static and NUL-terminated.
    return result ? result->error().data() : "out of memory";
}

double xmlslice_select_result_number(const SelectResult* result) {
    return result ? result->number() : NAN;
}

int xmlslice_select_result_boolean(const SelectResult* result) {
    return result && result->boolean();
}

const char* xmlslice_select_result_string(const SelectResult* result, size_t* length) {
    return c_string(result ? result->string() : std::string_view(), length);
}

size_t xmlslice_select_result_size(const SelectResult* result) {
    return result ? result->size() : 0;
}

int xmlslice_select_result_node_kind(const SelectResult* result, size_t index) {
    const SelectMatch* node = node_at(result, index);
    return node ? int(node->kind) : -1;
}

XmlElement* xmlslice_select_result_node_element(const SelectResult* result, size_t index) {
    const SelectMatch* node = node_at(result, index);
    return node ? node->element : nullptr;
}

const char* xmlslice_select_result_node_name(const SelectResult* result, size_t index) {
    const SelectMatch* node = node_at(result, index);
    return node ? node->name : nullptr;
}

const char* xmlslice_select_result_node_value(const SelectResult* result, size_t index,
                                              size_t* length) {
    const SelectMatch* node = node_at(result, index);
    return c_string(node ? node->value : std::string_view(), length);
}

SelectBindings* xmlslice_select_bindings_new(void) {
    return new (std::nothrow) SelectBindings();
}

void xmlslice_select_bindings_free(SelectBindings* bindings) {
    delete bindings;
}

int xmlslice_select_bindings_set_string(SelectBindings* bindings, const char* name,
                                        const char* value) {
    return bindings && bindings->set_string(name, value);
}

int xmlslice_select_bindings_set_number(SelectBindings* bindings, const char* name, double value) {
    return bindings && bindings->set_number(name, value);
}

int xmlslice_select_bindings_set_boolean(SelectBindings* bindings, const char* name, int value) {
    return bindings && bindings->set_boolean(name, value != 0);
}

int xmlslice_select_bindings_set_nodes(SelectBindings* bindings, const char* name,
                                       const SelectResult* node_set) {
    if (!bindings || !node_set) return 0;
    return bindings->set_nodes(name, *node_set);
}

int xmlslice_select_bindings_set_elements(SelectBindings* bindings, const char* name,
                                          XmlElement* const* elements, size_t count) {
    return bindings && bindings->set_elements(name, elements, count);
}

int xmlslice_select_bindings_bind_prefix(SelectBindings* bindings, const char* prefix,
                                         const char* uri) {
    return bindings && bindings->bind_prefix(prefix, uri);
}

}  // extern "C"
