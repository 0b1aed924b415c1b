/* The README's program for C hosts: parse, query, edit, write, free. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <xmlslice.h>

int main(void) {
    /* Parsed in place: the buffer must outlive the document. */
    char text[] = "<shelf><book id='b1'>Tide Tables</book><book id='b2'>Salt</book></shelf>";
    XmlElement* shelf = xmlslice_document_parse_buffer(text, sizeof text - 1);
    if (!shelf) return 1;
    if (*xmlslice_document_error_text(shelf)) { /* "[error near line N]: ..." */
        fprintf(stderr, "%s\n", xmlslice_document_error_text(shelf));
        xmlslice_element_free(shelf);
        return 1;
    }

    /* Queries return borrowed pointers into the tree, never copies. */
    for (XmlElement* book = xmlslice_element_first_named(shelf, "book"); book;
         book = book->next_same_name)
        printf("%s: %s\n", xmlslice_element_attribute_value(book, "id"), book->text);

    /* Edits store the strings they are given, never copies; a malloc'd one
     * is handed over to the tree by a flag set after the text. */
    XmlElement* second = xmlslice_element_find_path(shelf, "book", 1, "");
    XmlElement* note = xmlslice_element_add_child(second, "note", strlen(second->text));
    char* copy = malloc(sizeof "signed");
    if (copy) {
        strcpy(copy, "signed");
        xmlslice_element_set_text(note, copy);
        xmlslice_element_set_flags(note, XMLSLICE_TEXT_OWNED);
    }

    char* xml = xmlslice_element_to_text(shelf); /* a heap string: free it */
    if (xml) puts(xml);
    free(xml);
    xmlslice_element_free(shelf); /* the tree, its tables and the note's text */
    return 0;
}
