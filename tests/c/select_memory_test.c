/* The select engine from C when memory runs out. The program replaces the
 * allocator with one that forwards to glibc's and lets the first n requests
 * succeed; a round of calls runs for each n in turn. Each call must report
 * the failure as its header says (a NULL handle, 0, or a run failed with
 * "out of memory") and release what it took, and the round that meets no
 * failure must give the full answer. (Compiling is left out: the engine's
 * compiler does not survive a failed allocation.) */
#include <stddef.h>
#include <string.h>

#include <xmlslice_select.h>

#include "check.h"

void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void __libc_free(void* block);

static long allowed = -1; /* requests left to grant; -1: no limit */
static long live;         /* blocks handed out and not yet freed */
static long denials;      /* requests refused */

/* Whether the next request may succeed. */
static int grant(void) {
    if (allowed == 0) return !++denials;
    if (allowed > 0) --allowed;
    return 1;
}

void* malloc(size_t size) {
    void* block = grant() ? __libc_malloc(size) : NULL;
    live += block != NULL;
    return block;
}

void* calloc(size_t count, size_t size) {
    void* block = grant() ? __libc_calloc(count, size) : NULL;
    live += block != NULL;
    return block;
}

void* realloc(void* block, size_t size) {
    void* grown = grant() ? __libc_realloc(block, size) : NULL;
    live += !block && grown;
    return grown;
}

void free(void* block) {
    live -= block != NULL;
    __libc_free(block);
}

static char document_text[] =
    "<shelf><book id='b1'>Tide<note>oak</note>Tables</book><book id='b2'>Salt</book></shelf>";

/* One round: bind, run, read, bind the nodes and run again. Returns whether
 * every call succeeded. */
static int round_of_calls(XmlElement* shelf, const Select* pick, const Select* count) {
    SelectBindings* bindings = xmlslice_select_bindings_new();
    SelectResult* result = xmlslice_select_result_new();
    SelectResult* counted = xmlslice_select_result_new();
    char* id = copy("b2"); /* a host's string, which the bindings copy */
    int bound = id && xmlslice_select_bindings_set_string(bindings, "id", id);
    int kind = xmlslice_select_run_from_document(pick, shelf, bindings, result);
    size_t length;
    const char* text;
    int complete = bindings && result && counted && bound;

    free(id);
    if (kind == XMLSLICE_SELECT_ERROR) {
        const char* error = xmlslice_select_result_error(result);
        if (bound || strcmp(error, "out of memory") == 0)
            CHECK_STRING(error, "out of memory");
        else /* the run may get as far as reading $id */
            CHECK_STRING(error, "unbound variable $id");
        complete = 0;
    } else {
        CHECK(kind == XMLSLICE_SELECT_ELEMENTS && xmlslice_select_result_size(result) == 2);
        /* The first node's string value is gathered, or "" without memory. */
        text = xmlslice_select_result_string(result, &length);
        CHECK(length == 0 || (length == 13 && memcmp(text, "TideoakTables", 13) == 0));
        complete = complete && length != 0;
    }
    if (xmlslice_select_bindings_set_nodes(bindings, "set", result)) {
        kind = xmlslice_select_run(count, shelf, bindings, counted);
        if (kind == XMLSLICE_SELECT_ERROR)
            CHECK_STRING(xmlslice_select_result_error(counted), "out of memory");
        else
            CHECK(xmlslice_select_result_number(counted) == xmlslice_select_result_size(result));
        complete = complete && kind != XMLSLICE_SELECT_ERROR;
    } else {
        complete = 0;
    }
    xmlslice_select_result_free(counted);
    xmlslice_select_result_free(result);
    xmlslice_select_bindings_free(bindings);
    return complete;
}

int main(void) {
    XmlElement* shelf = xmlslice_document_parse_buffer(document_text, sizeof document_text - 1);
    SelectBindings* names = xmlslice_select_bindings_new();
    Select *pick, *count;
    long limit, baseline;
    xmlslice_select_bindings_set_string(names, "id", "");
    xmlslice_select_bindings_set_elements(names, "set", NULL, 0);
    pick = xmlslice_select_compile("//book[@id = $id] | //book[1]", names, NULL, 0, NULL);
    count = xmlslice_select_compile("count($set)", names, NULL, 0, NULL);
    xmlslice_select_bindings_free(names);
    if (!shelf || !pick || !count) return 1;

    CHECK(round_of_calls(shelf, pick, count)); /* and whatever is made once is made */
    baseline = live;
    for (limit = 0; !check_failures; ++limit) {
        long denied = denials;
        int complete;
        allowed = limit;
        complete = round_of_calls(shelf, pick, count);
        allowed = -1;
        CHECK(live == baseline);
        if (denials == denied) {
            CHECK(complete);
            break;
        }
    }
    CHECK(limit > 3); /* the rounds did meet failures */

    xmlslice_select_free(pick);
    xmlslice_select_free(count);
    xmlslice_element_free(shelf);
    return check_failures != 0;
}
