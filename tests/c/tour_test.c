/* The README's API tour, as a C host writes it, on examples/catalog.xml. */
#include <stdlib.h>
#include <string.h>

#include <xmlslice.h>

#include "check.h"

/* The last strlen(suffix) bytes of text are suffix. */
static int ends_with(const char* text, const char* suffix) {
    size_t length = strlen(text), suffix_length = strlen(suffix);
    return length >= suffix_length && strcmp(text + length - suffix_length, suffix) == 0;
}

int main(int argc, char** argv) {
    XmlElement *doc, *book, *author, *child, *note;
    char **attribute, *xml;
    char seen[128] = "";

    if (argc != 2) return 2;
    doc = xmlslice_document_parse_path(argv[1]);
    if (!doc) return 1;
    CHECK_STRING(xmlslice_document_error_text(doc), "");

    /* Queries: borrowed pointers into the tree. */
    book = xmlslice_element_find_path(doc, "book", 1, "");
    CHECK_STRING(xmlslice_element_attribute_value(book, "id"), "b2");
    CHECK_STRING(xmlslice_element_attribute_value(book, "format"), "paperback");
    for (author = xmlslice_element_first_named(book, "author"); author;
         author = author->next_same_name) {
        strcat(seen, author->text);
        strcat(seen, ";");
    }
    CHECK_STRING(seen, "Ilse Varga;Tomas Reed;");
    /* As written: the declared defaults are not in the list. */
    seen[0] = '\0';
    for (attribute = book->attributes; *attribute; attribute += 2) {
        strcat(seen, attribute[0]);
        strcat(seen, "=");
        strcat(seen, attribute[1]);
    }
    CHECK_STRING(seen, "id=b2");
    seen[0] = '\0';
    for (child = book->first_child; child; child = child->next_in_order) {
        strcat(seen, child->name);
        strcat(seen, " ");
    }
    CHECK_STRING(seen, "title author author price blurb ");

    /* Edits: a literal outlives the document; the copies are handed over. */
    note = xmlslice_element_add_child(book, "note", strlen(book->text));
    xmlslice_element_set_text(note, "signed copy");
    CHECK(xmlslice_element_set_flags(note, XMLSLICE_COPY_ATTRIBUTES)->flags ==
          XMLSLICE_COPY_ATTRIBUTES);
    xmlslice_element_set_attribute(note, copy("copies"), copy("1"));
    CHECK(note->flags == 0); /* the flag governs one call */

    xml = xmlslice_element_to_text(book);
    CHECK(xml && ends_with(xml, "</blurb>\n  <note copies=\"1\">signed copy</note></book>"));
    free(xml);
    xmlslice_element_free(doc);
    return check_failures != 0;
}
