// The one error message a document carries: "[error near line N]: ...".
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "parser/parser.hpp"

namespace xmlslice::detail {

namespace {

// Lines are counted over the bytes as they stand now, so line feeds the
// parse has already overwritten no longer count.
int line_of(const XmlDocument* document, const char* position) {
    const char* at = document->text_start;
    if (!position || !at || position <= at) return 1;
    std::size_t lines = 1;
    while ((at = static_cast<const char*>(std::memchr(at, '\n', position - at)))) ++lines, ++at;
    return lines > INT_MAX ? INT_MAX : static_cast<int>(lines);
}

}  // namespace

XmlDocument* record_error(XmlDocument* document, const char* position, const char* format, ...) {
    // The message format becomes part of a format, so an argument's text
    // (a tag name) is never read as one.
    char message_format[sizeof document->error];
    std::snprintf(message_format, sizeof message_format, "[error near line %d]: %s",
                  line_of(document, position), format);
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(document->error, sizeof document->error, message_format, arguments);
    va_end(arguments);
    return document;
}

bool out_of_memory(Parser& parser, const char* position) {
    record_error(parser.document, position, "out of memory");
    return false;
}

bool decode_failed(Parser& parser, DecodeStatus status, const char* position) {
    if (status == DecodeStatus::too_large)
        record_error(parser.document, position, "entity expansion too large");
    else
        out_of_memory(parser, position);
    return false;
}

}  // namespace xmlslice::detail
