// The one error message a document carries: "[error near line N]: ...".
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "parser/parser.hpp"

namespace xmlslice::detail {

namespace {

std::size_t count_byte(const char* from, const char* to, char byte, bool before_lf_counts) {
    std::size_t count = 0;
    for (const char* at = from; at < to; ++at) {
        at = static_cast<const char*>(std::memchr(at, byte, to - at));
        if (!at) break;
        count += before_lf_counts || at[1] != '\n';
    }
    return count;
}

}  // namespace

[[gnu::cold]] std::size_t count_line_ends(const char* from, const char* to) {
    return count_byte(from, to, '\n', true) + count_byte(from, to, '\r', false);
}

void LineLedger::note(const char* construct, const char* at, std::ptrdiff_t lost) {
    lost_ += lost;
    if (construct == construct_) {
        more_.push({at, lost});  // without memory the line is only near
        return;
    }
    construct_ = construct;
    first_ = {at, lost};
    more_.clear();
}

Decoded decode_noted(Parser& parser, const char* construct, char* text, std::size_t length,
                     const EntitySet& entities, DecodeMode mode, std::size_t clean) {
    Decoded decoded = decode_text(parser.decoding, text, length, entities, mode, clean);
    if (decoded.lost_line_ends) parser.lines.note(construct, text, decoded.lost_line_ends);
    return decoded;
}

[[gnu::cold]] std::size_t LineLedger::line_of(const char* text_start, const char* position) const {
    if (!position || !text_start || position <= text_start) return 1;
    std::ptrdiff_t lost = lost_ - (first_.at >= position ? first_.lost : 0);
    for (std::size_t i = 0; i < more_.size(); ++i)
        if (more_[i].at >= position) lost -= more_[i].lost;
    return 1 + static_cast<std::size_t>(
                   static_cast<std::ptrdiff_t>(count_line_ends(text_start, position)) + lost);
}

[[gnu::cold]] bool record_error(Parser& parser, const char* position, const char* format, ...) {
    XmlDocument* document = parser.document;
    std::size_t line = parser.lines.line_of(document->text_start, position);
    // The message format becomes part of a format, so an argument's text
    // (a tag name) is never read as one.
    char message_format[sizeof document->error];
    std::snprintf(message_format, sizeof message_format, "[error near line %d]: %s",
                  line > INT_MAX ? INT_MAX : static_cast<int>(line), format);
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(document->error, sizeof document->error, message_format, arguments);
    va_end(arguments);
    return false;
}

bool out_of_memory(Parser& parser, const char* position) {
    return record_error(parser, position, "out of memory");
}

bool decode_failed(Parser& parser, DecodeStatus status, const char* position) {
    if (status == DecodeStatus::too_large)
        return record_error(parser, position, "entity expansion too large");
    return out_of_memory(parser, position);
}

}  // namespace xmlslice::detail
