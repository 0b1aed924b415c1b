// The test binary links with --wrap=strstr, so every strstr the library's
// objects make passes through here. A sanitizer's strstr measures the whole
// haystack, so the parser must find the ends of constructs without it: a
// document's rest is a haystack that makes a parse quadratic.
#include <cstddef>

extern "C" char* __real_strstr(const char* haystack, const char* needle);

namespace xmlslice::test_support {
std::size_t strstr_calls = 0;
}

extern "C" char* __wrap_strstr(const char* haystack, const char* needle) {
    ++xmlslice::test_support::strstr_calls;
    return __real_strstr(haystack, needle);
}
