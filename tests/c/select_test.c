/* The select engine from a C host: compile errors, each kind of value and
 * node, both kinds of context, variables and prefixes, and the NULL
 * handles a failed allocation leaves. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <xmlslice_select.h>

#include "check.h"

static char document_text[] =
    "<shelf xmlns:w='urn:wood'><book id='b1'>Tide<w:note>oak</w:note>Tables</book>"
    "<book id='b2' w:kind='pine'>Salt</book></shelf>";

/* "kind name=value" of every node of result, ';' after each, in out; the
 * values are read by their lengths (a text run is not NUL-terminated). */
static const char* describe(const SelectResult* result, char* out, size_t size) {
    static const char* const kinds[] = {"root", "element", "attribute", "text"};
    size_t k, used = 0, length;
    out[0] = '\0';
    for (k = 0; k < xmlslice_select_result_size(result) && used < size; ++k) {
        int kind = xmlslice_select_result_node_kind(result, k);
        const char* name = xmlslice_select_result_node_name(result, k);
        const char* value = xmlslice_select_result_node_value(result, k, &length);
        XmlElement* element = xmlslice_select_result_node_element(result, k);
        if (kind == XMLSLICE_NODE_ATTRIBUTE)
            used += snprintf(out + used, size - used, "%s %s=%.*s;", kinds[kind], name, (int)length,
                             value);
        else if (kind == XMLSLICE_NODE_TEXT)
            used += snprintf(out + used, size - used, "text %.*s;", (int)length, value);
        else
            used += snprintf(out + used, size - used, "%s %s;", kinds[kind], element->name);
    }
    return out;
}

/* The string of the value, NUL-terminated in a buffer of the test's. */
static const char* string_of(const SelectResult* result, char* out, size_t size) {
    size_t length;
    const char* text = xmlslice_select_result_string(result, &length);
    snprintf(out, size, "%.*s", (int)length, text);
    return out;
}

static void compile_errors(void) {
    static const struct {
        const char* expression;
        const char* message;
        size_t column;
    } cases[] = {
        {"//book[@id", "expected ']'", 11},
        {"count(//book) + foo()", "unknown function 'foo()'", 17},
        {"//book[@id = $who]", "unbound variable $who", 14},
        {"'open", "unterminated string", 1},
    };
    size_t k, column = 99;
    char message[64];
    for (k = 0; k < sizeof cases / sizeof cases[0]; ++k) {
        CHECK(
            !xmlslice_select_compile(cases[k].expression, NULL, message, sizeof message, &column));
        CHECK_STRING(message, cases[k].message);
        CHECK(column == cases[k].column);
    }
    /* Cut to the host's buffer; message and column are optional. */
    CHECK(!xmlslice_select_compile("//book[@id", NULL, message, 5, NULL));
    CHECK_STRING(message, "expe");
    CHECK(!xmlslice_select_compile("//book[@id", NULL, NULL, 0, NULL));
}

/* One expression run from the document: its kind, string, number, boolean
 * and nodes. */
static void values(XmlElement* shelf, SelectResult* result) {
    static const struct {
        const char* expression;
        int kind;
        const char* string;
        double number; /* NaN: not a number */
        int boolean;
        const char* nodes;
    } cases[] = {
        {"count(//book)", XMLSLICE_SELECT_NUMBER, "2", 2, 1, ""},
        {"1 div 0", XMLSLICE_SELECT_NUMBER, "Infinity", INFINITY, 1, ""},
        {"concat(//book[2]/@id, '-', 0.5)", XMLSLICE_SELECT_STRING, "b2-0.5", NAN, 1, ""},
        {"//book = 'Salt'", XMLSLICE_SELECT_BOOLEAN, "true", 1, 1, ""},
        {"//book/@id", XMLSLICE_SELECT_ATTRIBUTES, "b1", NAN, 1,
         "attribute id=b1;attribute id=b2;"},
        {"//book[1]/text()", XMLSLICE_SELECT_TEXTS, "Tide", NAN, 1, "text Tide;text Tables;"},
        {"//book", XMLSLICE_SELECT_ELEMENTS, "TideoakTables", NAN, 1, "element book;element book;"},
        {"/ | //w:note | //@w:kind", XMLSLICE_SELECT_NODES, "TideoakTablesSalt", NAN, 1,
         "root shelf;element w:note;attribute w:kind=pine;"},
        {"//nothing", XMLSLICE_SELECT_ELEMENTS, "", NAN, 0, ""},
    };
    size_t k;
    char nodes[256], string[64];
    for (k = 0; k < sizeof cases / sizeof cases[0]; ++k) {
        Select* select = xmlslice_select_compile(cases[k].expression, NULL, NULL, 0, NULL);
        double number;
        CHECK(select && xmlslice_select_kind(select) == cases[k].kind);
        CHECK(xmlslice_select_run_from_document(select, shelf, NULL, result) == cases[k].kind);
        CHECK(xmlslice_select_result_kind(result) == cases[k].kind);
        CHECK_STRING(xmlslice_select_result_error(result), "");
        CHECK_STRING(string_of(result, string, sizeof string), cases[k].string);
        number = xmlslice_select_result_number(result);
        CHECK(isnan(cases[k].number) ? isnan(number) : number == cases[k].number);
        CHECK(xmlslice_select_result_boolean(result) == cases[k].boolean);
        CHECK_STRING(describe(result, nodes, sizeof nodes), cases[k].nodes);
        xmlslice_select_free(select);
    }
    /* Past the end, and of a value that is no node-set: no node. */
    CHECK(xmlslice_select_result_node_kind(result, 0) == -1);
    CHECK(!xmlslice_select_result_node_element(result, 0));
    CHECK(!xmlslice_select_result_node_name(result, 0));
    CHECK_STRING(xmlslice_select_result_node_value(result, 0, NULL), "");
}

/* Relative paths start at the context element; from the document they
 * start above the root element. */
static void contexts(XmlElement* shelf, SelectResult* result) {
    Select* books = xmlslice_select_compile("book", NULL, NULL, 0, NULL);
    CHECK(xmlslice_select_run(books, shelf, NULL, result) == XMLSLICE_SELECT_ELEMENTS);
    CHECK(xmlslice_select_result_size(result) == 2);
    xmlslice_select_run_from_document(books, shelf, NULL, result);
    CHECK(xmlslice_select_result_size(result) == 0);
    xmlslice_select_run(books, NULL, NULL, result);
    CHECK(xmlslice_select_result_size(result) == 0);
    xmlslice_select_free(books);
}

static void variables(XmlElement* shelf, SelectResult* result) {
    SelectBindings* bindings = xmlslice_select_bindings_new();
    SelectResult* books = xmlslice_select_result_new();
    Select *pick, *count;
    char nodes[256], *id = copy("b2");
    XmlElement* second = xmlslice_element_nth_same_name(shelf->first_child, 1);

    CHECK(xmlslice_select_bindings_set_string(bindings, "id", id));
    free(id); /* the bindings keep a copy */
    CHECK(xmlslice_select_bindings_set_number(bindings, "at", 1));
    CHECK(xmlslice_select_bindings_set_boolean(bindings, "all", 0));
    CHECK(xmlslice_select_bindings_bind_prefix(bindings, "p", "urn:wood"));
    pick = xmlslice_select_compile("//book[$all or @id = $id or position() = $at]/@p:kind",
                                   bindings, NULL, 0, NULL);
    CHECK(pick && xmlslice_select_kind(pick) == XMLSLICE_SELECT_ATTRIBUTES);
    xmlslice_select_run_from_document(pick, shelf, bindings, result);
    CHECK_STRING(describe(result, nodes, sizeof nodes), "attribute w:kind=pine;");
    /* Values may change between runs; a run without them fails. */
    CHECK(xmlslice_select_bindings_set_string(bindings, "id", "b9"));
    xmlslice_select_run_from_document(pick, shelf, bindings, result);
    CHECK(xmlslice_select_result_size(result) == 0);
    CHECK(xmlslice_select_run_from_document(pick, shelf, NULL, result) == XMLSLICE_SELECT_ERROR);
    CHECK_STRING(xmlslice_select_result_error(result), "unbound variable $all");
    CHECK(isnan(xmlslice_select_result_number(result)));

    /* Node-sets: a result's nodes, or the host's elements. */
    count = xmlslice_select_compile("count($set) * 10 + count($set/@id)", bindings, NULL, 0, NULL);
    CHECK(!count); /* $set is not bound yet */
    CHECK(xmlslice_select_bindings_set_elements(bindings, "set", &second, 1));
    count = xmlslice_select_compile("count($set) * 10 + count($set/@id)", bindings, NULL, 0, NULL);
    xmlslice_select_run(count, shelf, bindings, result);
    CHECK(xmlslice_select_result_number(result) == 11);
    xmlslice_select_run(pick, shelf, bindings, books); /* no book has the attribute */
    CHECK(xmlslice_select_bindings_set_nodes(bindings, "set", books));
    xmlslice_select_run(count, shelf, bindings, result);
    CHECK(xmlslice_select_result_number(result) == 0);
    CHECK(xmlslice_select_bindings_set_boolean(bindings, "all", 1));
    xmlslice_select_run(pick, shelf, bindings, books);
    CHECK(xmlslice_select_bindings_set_nodes(bindings, "set", books));
    xmlslice_select_run(count, shelf, bindings, result);
    CHECK(xmlslice_select_result_number(result) == 10);
    /* A string where a path needs nodes fails the run. */
    CHECK(xmlslice_select_bindings_set_string(bindings, "set", "b1"));
    CHECK(xmlslice_select_run(count, shelf, bindings, result) == XMLSLICE_SELECT_ERROR);
    CHECK_STRING(xmlslice_select_result_error(result), "count() needs a node-set");

    xmlslice_select_free(count);
    xmlslice_select_free(pick);
    xmlslice_select_result_free(books);
    xmlslice_select_bindings_free(bindings);
}

/* What a host holds when an allocation failed: NULL, read as documented. */
static void null_handles(XmlElement* shelf, SelectResult* result) {
    Select* any = xmlslice_select_compile("//book", NULL, NULL, 0, NULL);
    size_t length = 9;
    CHECK(xmlslice_select_run(any, shelf, NULL, NULL) == XMLSLICE_SELECT_ERROR);
    CHECK(xmlslice_select_result_kind(NULL) == XMLSLICE_SELECT_ERROR);
    CHECK_STRING(xmlslice_select_result_error(NULL), "out of memory");
    CHECK(isnan(xmlslice_select_result_number(NULL)));
    CHECK(!xmlslice_select_result_boolean(NULL));
    CHECK_STRING(xmlslice_select_result_string(NULL, &length), "");
    CHECK(length == 0 && xmlslice_select_result_size(NULL) == 0);
    CHECK(xmlslice_select_result_node_kind(NULL, 0) == -1);
    CHECK(xmlslice_select_kind(NULL) == XMLSLICE_SELECT_ELEMENTS);
    CHECK(xmlslice_select_run(NULL, shelf, NULL, result) == XMLSLICE_SELECT_ELEMENTS);
    CHECK(xmlslice_select_result_size(result) == 0);
    CHECK(!xmlslice_select_bindings_set_string(NULL, "a", "b"));
    CHECK(!xmlslice_select_bindings_set_number(NULL, "a", 1));
    CHECK(!xmlslice_select_bindings_set_boolean(NULL, "a", 1));
    CHECK(!xmlslice_select_bindings_set_nodes(NULL, "a", result));
    CHECK(!xmlslice_select_bindings_set_elements(NULL, "a", &shelf, 1));
    CHECK(!xmlslice_select_bindings_bind_prefix(NULL, "a", "urn:a"));
    xmlslice_select_free(NULL);
    xmlslice_select_result_free(NULL);
    xmlslice_select_bindings_free(NULL);
    xmlslice_select_free(any);
}

int main(void) {
    XmlElement* shelf = xmlslice_document_parse_buffer(document_text, sizeof document_text - 1);
    SelectResult* result = xmlslice_select_result_new();
    if (!shelf || !result) return 1;
    CHECK_STRING(xmlslice_document_error_text(shelf), "");
    compile_errors();
    values(shelf, result);
    contexts(shelf, result);
    variables(shelf, result);
    null_handles(shelf, result);
    xmlslice_select_result_free(result);
    xmlslice_element_free(shelf);
    return check_failures != 0;
}
