/* Helpers of the C host tests: checks that name their line and the values
 * they compared (the exit status counts the failures), and heap copies. */
#ifndef XMLSLICE_TESTS_CHECK_H
#define XMLSLICE_TESTS_CHECK_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int check_failures;

static void check_true(int ok, const char* what, int line) {
    if (ok) return;
    fprintf(stderr, "line %d: %s\n", line, what);
    ++check_failures;
}

/* A null string fails the check too: every string compared here exists. */
static void check_string(const char* got, const char* wanted, int line) {
    if (got && strcmp(got, wanted) == 0) return;
    fprintf(stderr, "line %d: got \"%s\", wanted \"%s\"\n", line, got ? got : "(null)", wanted);
    ++check_failures;
}

/* A heap copy for the tree to own (strdup is not C99). */
static char* copy(const char* text) {
    size_t size = strlen(text) + 1;
    char* heap = malloc(size);
    return heap ? memcpy(heap, text, size) : NULL;
}

#define CHECK(condition) check_true((condition) != 0, #condition, __LINE__)
#define CHECK_STRING(got, wanted) check_string((got), (wanted), __LINE__)

#endif
