// Processing instructions: the XML declaration's standalone setting, and the
// per-target lists of the instruction table, found through a target index.
#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/parser.hpp"
#include "parser/slot_array.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

void read_standalone(XmlDocument* document, const char* text) {
    const char* found = std::strstr(text, "standalone");
    if (!found) return;
    found += std::strlen("standalone");
    found += std::strspn(found, "\t\r\n =\"'");
    if (std::strncmp(found, "yes", 3) == 0) document->standalone = 1;
}

// The list number for a target, making a new list when the target is new.
std::size_t list_for_target(Parser& parser, char* target, std::size_t length) {
    std::size_t* slot = parser.instruction_targets.find_or_add(0, target, length);
    if (!slot || *slot != NameIndex::npos) return slot ? *slot : NameIndex::npos;
    XmlDocument* document = parser.document;
    std::size_t count = parser.instruction_lists.size();
    char*** table = count ? document->instructions : nullptr;
    auto** list = static_cast<char**>(std::malloc(3 * sizeof(char*)));
    auto* positions = static_cast<char*>(std::malloc(1));
    if (!list || !positions || !parser.instruction_lists.reserve(count + 1) ||
        !grow_slots(table, parser.instruction_table_capacity, count + 2)) {
        std::free(list);
        std::free(positions);
        if (table) document->instructions = table;
        return NameIndex::npos;
    }
    *positions = '\0';
    list[0] = target;
    list[1] = nullptr;
    list[2] = positions;
    table[count] = list;
    table[count + 1] = nullptr;
    document->instructions = table;
    parser.instruction_lists.push({0, 3, 1});
    *slot = count;
    return count;
}

bool append_instruction(Parser& parser, std::size_t list_number, char* text) {
    InstructionList& info = parser.instruction_lists[list_number];
    char**& list = parser.document->instructions[list_number];
    char* positions = list[info.count + 2];
    if (!grow_slots(positions, info.position_capacity, info.count + 2)) return false;
    list[info.count + 2] = positions;
    if (!grow_slots(list, info.capacity, info.count + 4)) return false;
    positions[info.count] = parser.document->root.name ? '>' : '<';
    positions[info.count + 1] = '\0';
    list[info.count + 1] = text;
    list[info.count + 2] = nullptr;
    list[info.count + 3] = positions;
    ++info.count;
    return true;
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
    std::size_t list = list_for_target(parser, start, target_end - start);
    if (list == NameIndex::npos || !append_instruction(parser, list, text))
        return out_of_memory(parser, start);
    return true;
}

void trim_instruction_table(Parser& parser) {
    std::size_t count = parser.instruction_lists.size();
    if (!count) return;
    char*** table = parser.document->instructions;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t instructions = parser.instruction_lists[i].count;
        trim_slots(table[i][instructions + 2], instructions + 1);
        trim_slots(table[i], instructions + 3);
    }
    trim_slots(parser.document->instructions, count + 1);
}

}  // namespace xmlslice::detail
