/* Checks for the C host tests: a failed check names its line and the values
 * it compared, and the program's exit status counts the failures. */
#ifndef XMLSLICE_TESTS_CHECK_H
#define XMLSLICE_TESTS_CHECK_H

#include <stdio.h>
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

#define CHECK(condition) check_true((condition) != 0, #condition, __LINE__)
#define CHECK_STRING(got, wanted) check_string((got), (wanted), __LINE__)

#endif
