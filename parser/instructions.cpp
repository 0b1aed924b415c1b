// Processing instructions: the XML declaration's standalone setting, or an
// instruction for the table.
#include <cstring>

#include "parser/parser.hpp"

namespace xmlslice::detail {

namespace {

// The instruction's text ends in a NUL: the search reads the declaration
// alone, never the document after it.
void read_standalone(XmlDocument* document, const char* text) {
    const char* found = std::strstr(text, "standalone");
    if (!found) return;
    found += std::strlen("standalone");
    found += std::strspn(found, "\t\r\n =\"'");
    if (std::strncmp(found, "yes", 3) == 0) document->standalone = 1;
}

}  // namespace

[[gnu::cold]] bool record_instruction(Parser& parser, char* start, std::size_t length) {
    start[length] = '\0';
    char* target_end = start + std::strcspn(start, "\t\r\n ");
    char* text = target_end;
    if (*target_end) {
        parser.lines.overwrite(start, target_end, '\0');
        text = target_end + 1 + std::strspn(target_end + 1, "\t\r\n ");
    }
    if (std::strcmp(start, "xml") == 0) {
        read_standalone(parser.document, text);
        return true;
    }
    return parser.instructions.add(start, target_end - start, text) || out_of_memory(parser, start);
}

}  // namespace xmlslice::detail
