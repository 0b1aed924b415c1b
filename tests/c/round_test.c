/* A C host's round: build a tree, write it, parse the text back through
 * each input source, query and edit the result and write it again. */
#define _POSIX_C_SOURCE 200809L /* fileno */

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <xmlslice.h>

#include "check.h"

static const char built_text[] =
    "<?keep one?>\n<shelf kind=\"oak\">left<book id=\"1\"></book>mid<book id=\"2\">"
    "<title>T&amp;C</title></book><box></box>right</shelf>";

/* The va_list form, as a host's own variadic helper passes its path on. */
static XmlElement* find(XmlElement* element, ...) {
    XmlElement* found;
    va_list path;
    va_start(path, element);
    found = xmlslice_element_find_path_list(element, path);
    va_end(path);
    return found;
}

/* The tree of built_text, put together in an order that exercises
 * insertion by offset and an element moved from another tree. */
static XmlElement* build(void) {
    XmlElement* shelf = xmlslice_document_new("shelf");
    XmlElement* scratch = xmlslice_document_new("scratch");
    XmlElement *second, *moved;
    xmlslice_element_set_text(shelf, copy("leftmidright"));
    CHECK(xmlslice_element_set_flags(shelf, XMLSLICE_TEXT_OWNED)->flags == XMLSLICE_TEXT_OWNED);
    xmlslice_element_set_attribute(shelf, "kind", "oak");
    second = xmlslice_element_add_child(shelf, "book", 7);
    xmlslice_element_set_attribute(second, "id", "2");
    xmlslice_element_set_text(xmlslice_element_add_child(second, "title", 0), "T&C");
    xmlslice_element_set_attribute(xmlslice_element_add_child(shelf, "book", 4), "id", "1");
    moved = xmlslice_element_detach(xmlslice_element_add_child(scratch, "box", 0));
    CHECK(moved && !scratch->first_child); /* it keeps its parent link */
    xmlslice_element_insert(moved, shelf, 7);
    xmlslice_element_free(scratch);
    /* Instructions come only from parsing: the built tree has none. */
    CHECK(*xmlslice_document_instructions(shelf, "keep") == NULL);
    return shelf;
}

/* The checks every parse of built_text must pass. */
static void check_parsed(XmlElement* shelf) {
    XmlElement* second;
    char** keep;
    CHECK_STRING(xmlslice_document_error_text(shelf), "");
    CHECK_STRING(shelf->text, "leftmidright");
    second = xmlslice_element_nth_same_name(xmlslice_element_first_named(shelf, "book"), 1);
    CHECK_STRING(xmlslice_element_attribute_value(second, "id"), "2");
    CHECK(find(shelf, "book", 1, "title", 0, "") == second->first_child);
    CHECK(find(shelf, "book", 2, "") == NULL);
    CHECK_STRING(xmlslice_element_first_named(second, "title")->text, "T&C");
    CHECK(xmlslice_element_first_named(shelf, "box")->attributes == xmlslice_empty_list);
    keep = xmlslice_document_instructions(shelf, "keep");
    CHECK_STRING(keep[0], "one");
    CHECK(keep[1] == NULL);
}

/* Writes the tree, frees it, and checks the text. */
static void check_written(XmlElement* shelf, const char* wanted) {
    char* text = xmlslice_element_to_text(shelf);
    CHECK_STRING(text, wanted);
    free(text);
    xmlslice_element_free(shelf);
}

static void edit(XmlElement* shelf) {
    XmlElement* first = xmlslice_element_first_named(shelf, "book");
    char* name = copy("shelf-2");
    xmlslice_element_set_attribute(first, "id", NULL); /* removes it */
    xmlslice_element_set_flags(first, XMLSLICE_COPY_ATTRIBUTES);
    xmlslice_element_set_attribute(first, copy("lent"), copy("yes"));
    xmlslice_element_free(xmlslice_element_detach(xmlslice_element_first_named(shelf, "box")));
    shelf->name = name;
    xmlslice_element_set_flags(shelf, XMLSLICE_NAME_OWNED);
}

int main(void) {
    static const char edited[] =
        "<?keep one?>\n<shelf-2 kind=\"oak\">left<book lent=\"yes\"></book>mid<book id=\"2\">"
        "<title>T&amp;C</title></book>right</shelf-2>";
    FILE* file = tmpfile();
    char* text;
    XmlElement* parsed;

    check_written(build(), built_text + strlen("<?keep one?>\n"));
    CHECK(file && fputs(built_text, file) >= 0 && fflush(file) == 0);

    /* The same text from a buffer, a stream and a descriptor. */
    text = copy(built_text);
    parsed = xmlslice_document_parse_buffer(text, strlen(text));
    check_parsed(parsed);
    check_written(parsed, built_text);
    free(text);
    rewind(file);
    parsed = xmlslice_document_parse_stream(file);
    check_parsed(parsed);
    edit(parsed);
    check_written(parsed, edited);
    parsed = xmlslice_document_parse_descriptor(fileno(file));
    check_parsed(parsed);
    check_written(parsed, built_text);
    fclose(file);

    /* A syntax error still gives the tree built so far. */
    text = copy("<a><b></a>");
    parsed = xmlslice_document_parse_buffer(text, strlen(text));
    CHECK(strncmp(xmlslice_document_error_text(parsed), "[error near line 1]: ", 21) == 0);
    CHECK(xmlslice_element_first_named(parsed, "b") != NULL);
    xmlslice_element_free(parsed);
    free(text);

    /* Null in, the fixed empty results out. */
    CHECK(xmlslice_document_parse_descriptor(-1) == NULL);
    CHECK(xmlslice_document_parse_path("/nonexistent/x.xml") == NULL);
    CHECK(xmlslice_element_first_named(NULL, "a") == NULL);
    CHECK(xmlslice_element_attribute_value(NULL, "a") == NULL);
    CHECK_STRING(xmlslice_document_error_text(NULL), "");
    CHECK(xmlslice_document_instructions(NULL, "keep") == xmlslice_empty_list);
    xmlslice_attribute_list_free(NULL);
    xmlslice_element_free(NULL);
    return check_failures != 0;
}
