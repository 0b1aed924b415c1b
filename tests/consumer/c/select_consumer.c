/* The README's select program for C hosts: bind, compile, run, read, free. */
#include <stdio.h>

#include <xmlslice_select.h>

int main(void) {
    char text[] =
        "<shelf><book id='b1' price='12'>Tide Tables</book>"
        "<book id='b2' price='8'>Salt</book></shelf>";
    XmlElement* shelf = xmlslice_document_parse_buffer(text, sizeof text - 1);
    SelectBindings* bindings = xmlslice_select_bindings_new();
    SelectResult* result = xmlslice_select_result_new(); /* reused by every run */
    char message[128];
    size_t column, length;

    /* A variable is bound before the expression that names it compiles. */
    xmlslice_select_bindings_set_number(bindings, "most", 10);
    Select* books = xmlslice_select_compile("//book[@price <= $most]/@id", bindings, message,
                                            sizeof message, &column);
    Select* total =
        xmlslice_select_compile("sum(//@price)", NULL, message, sizeof message, &column);
    if (!books || !total) {
        fprintf(stderr, "%s at column %zu\n", message, column);
        return 1;
    }

    /* Its value may change between runs. */
    xmlslice_select_bindings_set_number(bindings, "most", 20);
    if (xmlslice_select_run_from_document(books, shelf, bindings, result) == XMLSLICE_SELECT_ERROR)
        fprintf(stderr, "%s\n", xmlslice_select_result_error(result));
    for (size_t k = 0; k < xmlslice_select_result_size(result); ++k) {
        /* Strings from a result are a pointer and a length. */
        const char* id = xmlslice_select_result_node_value(result, k, &length);
        printf("%.*s: %s\n", (int)length, id, xmlslice_select_result_node_element(result, k)->text);
    }
    xmlslice_select_run_from_document(total, shelf, NULL, result);
    const char* sum = xmlslice_select_result_string(result, &length); /* XPath's string() */
    printf("total %.*s\n", (int)length, sum);

    xmlslice_select_free(books);
    xmlslice_select_free(total);
    xmlslice_select_result_free(result);
    xmlslice_select_bindings_free(bindings);
    xmlslice_element_free(shelf);
    return 0;
}
