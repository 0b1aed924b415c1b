// Processing instructions: the XML declaration's standalone setting, and the
// per-target lists of the instruction table.
#include "parser/instructions.hpp"

#include <cstdlib>
#include <cstring>

#include "parser/parser.hpp"
#include "support/growth.hpp"

namespace xmlslice::detail {

bool Instructions::add(char* target, std::size_t length, char* text) {
    std::size_t list = lists_.list_for(target, length);
    if (list == KeyedLists::none || !position_capacities_.reserve(list + 1)) return false;
    if (list == position_capacities_.size()) position_capacities_.push(0);
    std::size_t count = lists_.count(list);
    char* positions = lists_.list(list)[count + 2];
    if (!grow(positions, position_capacities_[list], count + 2)) return false;
    positions[count] = '\0';
    lists_.list(list)[count + 2] = positions;  // before the list moves
    char** slot = lists_.append(list, 1);
    if (!slot) return false;
    *slot = text;
    positions[count] = document_->root.name ? '>' : '<';
    positions[count + 1] = '\0';
    return true;
}

void Instructions::trim() {
    for (std::size_t list = 0; list < position_capacities_.size(); ++list) {
        std::size_t count = lists_.count(list);
        detail::trim(lists_.list(list)[count + 2], count + 1);
    }
    lists_.trim();
}

namespace {

void read_standalone(XmlDocument* document, const char* text) {
    const char* found = std::strstr(text, "standalone");
    if (!found) return;
    found += std::strlen("standalone");
    found += std::strspn(found, "\t\r\n =\"'");
    if (std::strncmp(found, "yes", 3) == 0) document->standalone = 1;
}

}  // namespace

bool record_instruction(Parser& parser, char* start, std::size_t length) {
    start[length] = '\0';
    char* target_end = start + std::strcspn(start, "\t\r\n ");
    char* text = target_end;
    if (*target_end) {
        parser.lines.note_overwrite(start, target_end);
        *target_end = '\0';
        text = target_end + 1 + std::strspn(target_end + 1, "\t\r\n ");
    }
    if (std::strcmp(start, "xml") == 0) {
        read_standalone(parser.document, text);
        return true;
    }
    if (!parser.instructions.add(start, target_end - start, text))
        return out_of_memory(parser, start);
    return true;
}

}  // namespace xmlslice::detail
