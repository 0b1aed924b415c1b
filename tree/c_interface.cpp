// The C interface of xmlslice.h. Every function passes its arguments
// unchanged to its C++ namesake, so each compiles to a single jump: the C
// names add no code paths and no behaviour of their own.
#include "xmlslice.h"

namespace {

// A C program's record is the library's record: same size, alignment and
// field offsets, so the C++ code may read and link what C code built.
template <typename C, typename Cxx>
constexpr bool same_shape() {
    return sizeof(C) == sizeof(Cxx) && alignof(C) == alignof(Cxx);
}
static_assert(same_shape<xmlslice::c_records::XmlElement, XmlElement>());
static_assert(same_shape<xmlslice::c_records::XmlDocument, XmlDocument>());

#define XMLSLICE_SAME_FIELD(record, field)                                                   \
    static_assert(                                                                           \
        offsetof(xmlslice::c_records::record, field) == offsetof(xmlslice::record, field) && \
            sizeof(xmlslice::c_records::record::field) == sizeof(xmlslice::record::field),   \
        #record "." #field " differs between C and C++")
XMLSLICE_SAME_FIELD(XmlElement, name);
XMLSLICE_SAME_FIELD(XmlElement, attributes);
XMLSLICE_SAME_FIELD(XmlElement, text);
XMLSLICE_SAME_FIELD(XmlElement, offset);
XMLSLICE_SAME_FIELD(XmlElement, next_same_name);
XMLSLICE_SAME_FIELD(XmlElement, next_name_group);
XMLSLICE_SAME_FIELD(XmlElement, next_in_order);
XMLSLICE_SAME_FIELD(XmlElement, first_child);
XMLSLICE_SAME_FIELD(XmlElement, parent);
XMLSLICE_SAME_FIELD(XmlElement, flags);
XMLSLICE_SAME_FIELD(XmlDocument, root);
XMLSLICE_SAME_FIELD(XmlDocument, current_element);
XMLSLICE_SAME_FIELD(XmlDocument, source);
XMLSLICE_SAME_FIELD(XmlDocument, mapped_length);
XMLSLICE_SAME_FIELD(XmlDocument, converted);
XMLSLICE_SAME_FIELD(XmlDocument, text_start);
XMLSLICE_SAME_FIELD(XmlDocument, text_end);
XMLSLICE_SAME_FIELD(XmlDocument, entities);
XMLSLICE_SAME_FIELD(XmlDocument, attribute_defaults);
XMLSLICE_SAME_FIELD(XmlDocument, instructions);
XMLSLICE_SAME_FIELD(XmlDocument, standalone);
XMLSLICE_SAME_FIELD(XmlDocument, error);
#undef XMLSLICE_SAME_FIELD

static_assert(XMLSLICE_NAME_OWNED == xmlslice::NAME_OWNED);
static_assert(XMLSLICE_TEXT_OWNED == xmlslice::TEXT_OWNED);
static_assert(XMLSLICE_COPY_ATTRIBUTES == xmlslice::COPY_ATTRIBUTES);

}  // namespace

extern "C" {

// A pointer rather than the list itself: C names the one shared object.
char* const* const xmlslice_empty_list = xmlslice::empty_list;

XmlElement* xmlslice_document_parse_buffer(char* buffer, size_t length) {
    return xmlslice::document_parse_buffer(buffer, length);
}
XmlElement* xmlslice_document_parse_descriptor(int fd) {
    return xmlslice::document_parse_descriptor(fd);
}
XmlElement* xmlslice_document_parse_path(const char* path) {
    return xmlslice::document_parse_path(path);
}
XmlElement* xmlslice_document_parse_stream(FILE* stream) {
    return xmlslice::document_parse_stream(stream);
}

XmlElement* xmlslice_document_new(const char* name) {
    return xmlslice::document_new(name);
}
XmlElement* xmlslice_element_insert(XmlElement* element, XmlElement* parent, size_t offset) {
    return xmlslice::element_insert(element, parent, offset);
}
XmlElement* xmlslice_element_add_child(XmlElement* parent, const char* name, size_t offset) {
    return xmlslice::element_add_child(parent, name, offset);
}
void xmlslice_element_free(XmlElement* element) {
    xmlslice::element_free(element);
}
void xmlslice_attribute_list_free(AttributeList list) {
    xmlslice::attribute_list_free(list);
}

XmlElement* xmlslice_element_first_named(XmlElement* element, const char* name) {
    return xmlslice::element_first_named(element, name);
}
XmlElement* xmlslice_element_nth_same_name(XmlElement* element, int n) {
    return xmlslice::element_nth_same_name(element, n);
}
const char* xmlslice_element_attribute_value(XmlElement* element, const char* name) {
    return xmlslice::element_attribute_value(element, name);
}
XmlElement* xmlslice_element_find_path(XmlElement* element, ...) {
    va_list path;
    va_start(path, element);
    XmlElement* found = xmlslice::element_find_path_list(element, path);
    va_end(path);
    return found;
}
XmlElement* xmlslice_element_find_path_list(XmlElement* element, va_list path) {
    return xmlslice::element_find_path_list(element, path);
}
char** xmlslice_document_instructions(XmlElement* element, const char* target) {
    return xmlslice::document_instructions(element, target);
}
const char* xmlslice_document_error_text(XmlElement* element) {
    return xmlslice::document_error_text(element);
}

XmlElement* xmlslice_element_set_flags(XmlElement* element, int flags) {
    return xmlslice::element_set_flags(element, flags);
}
XmlElement* xmlslice_element_set_text(XmlElement* element, const char* text) {
    return xmlslice::element_set_text(element, text);
}
XmlElement* xmlslice_element_set_attribute(XmlElement* element, const char* name,
                                           const char* value) {
    return xmlslice::element_set_attribute(element, name, value);
}
XmlElement* xmlslice_element_detach(XmlElement* element) {
    return xmlslice::element_detach(element);
}

char* xmlslice_element_to_text(XmlElement* element) {
    return xmlslice::element_to_text(element);
}

}  // extern "C"
