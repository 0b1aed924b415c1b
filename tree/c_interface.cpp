// The C interface of xmlslice.h. Every function passes its arguments
// unchanged to its C++ namesake, so each compiles to a single jump: the C
// names add no code paths and no behaviour of their own.
#include "xmlslice.h"

// A C program's record is the library's record: same size, alignment and
// field offsets, so the C++ code may read and link what C code built.
#define SAME(record, field)                                                     \
    (offsetof(xmlslice::c_records::record, field) == offsetof(record, field) && \
     sizeof(xmlslice::c_records::record::field) == sizeof(record::field))
static_assert(sizeof(xmlslice::c_records::XmlElement) == sizeof(XmlElement) &&
              alignof(xmlslice::c_records::XmlElement) == alignof(XmlElement) &&
              SAME(XmlElement, name) && SAME(XmlElement, attributes) && SAME(XmlElement, text) &&
              SAME(XmlElement, offset) && SAME(XmlElement, next_same_name) &&
              SAME(XmlElement, next_name_group) && SAME(XmlElement, next_in_order) &&
              SAME(XmlElement, first_child) && SAME(XmlElement, parent) && SAME(XmlElement, flags));
static_assert(sizeof(xmlslice::c_records::XmlDocument) == sizeof(XmlDocument) &&
              alignof(xmlslice::c_records::XmlDocument) == alignof(XmlDocument) &&
              SAME(XmlDocument, root) && SAME(XmlDocument, current_element) &&
              SAME(XmlDocument, source) && SAME(XmlDocument, mapped_length) &&
              SAME(XmlDocument, converted) && SAME(XmlDocument, text_start) &&
              SAME(XmlDocument, text_end) && SAME(XmlDocument, entities) &&
              SAME(XmlDocument, attribute_defaults) && SAME(XmlDocument, instructions) &&
              SAME(XmlDocument, standalone) && SAME(XmlDocument, error));
#undef SAME
static_assert(XMLSLICE_NAME_OWNED == xmlslice::NAME_OWNED &&
              XMLSLICE_TEXT_OWNED == xmlslice::TEXT_OWNED &&
              XMLSLICE_COPY_ATTRIBUTES == xmlslice::COPY_ATTRIBUTES);

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
