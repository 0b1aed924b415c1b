// The state of one parse and the scanner's steps that build the tree. The
// DTD subset reader shares them (errors, instructions, entity decoding).
#ifndef XMLSLICE_PARSER_HPP
#define XMLSLICE_PARSER_HPP

#include <cstddef>

#include "parser/attribute_declarations.hpp"
#include "parser/child_groups.hpp"
#include "parser/entity_set.hpp"
#include "parser/line_ledger.hpp"
#include "parser/text_decode.hpp"
#include "tree/name_index.hpp"
#include "tree/pod_vector.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

// An element whose end tag has not been seen, with what appending to it
// needs so that every addition costs the same however much came before.
struct OpenElement {
    XmlElement* element;
    std::size_t name_length;
    XmlElement* last_child;
    std::size_t last_group;   // the last child's name group in Parser::groups
    std::size_t first_group;  // the element's first child group in Parser::groups
    std::size_t first_run;    // the element's first text run in Parser::runs
    std::size_t text_length;  // total length of its text so far
};

// A decoded run of an open element's text; the runs are joined once, into
// one exact heap block, when the element closes.
struct TextRun {
    char* text;
    std::size_t length;
    bool owned;  // a heap string from decoding
};

struct InstructionList {
    std::size_t count;
    std::size_t capacity;           // pointer slots
    std::size_t position_capacity;  // bytes of the position string
};

struct Parser {
    explicit Parser(XmlDocument* document)
        : document(document), entities(&document->entities), declarations(document) {}

    XmlDocument* document;
    bool final_byte_was_gt = false;
    LineLedger lines;
    DecodeContext decoding;
    EntitySet entities;
    AttributeDeclarations declarations;

    PodVector<OpenElement> open;
    ChildGroups groups;
    PodVector<TextRun> runs;

    PodVector<char*> attribute_slots;  // name, value pairs of the tag being read
    PodVector<char> ownership;

    NameIndex instruction_targets;
    PodVector<InstructionList> instruction_lists;
    std::size_t instruction_table_capacity = 0;
};

XmlDocument* record_error(Parser& parser, const char* position, const char* format, ...);
// Records "out of memory" and returns false, for use in a return statement.
bool out_of_memory(Parser& parser, const char* position);

bool start_element(Parser& parser, char* name, std::size_t name_length, AttributeList list);
// Null when the tag closed the current element; the document with its error otherwise.
XmlDocument* end_element(Parser& parser, const char* name, std::size_t name_length,
                         const char* position);
// False when the run could not be decoded (the error is recorded). The
// first `clean` bytes are known to need no decoding.
bool append_content(Parser& parser, char* start, std::size_t length, char mode,
                    std::size_t clean = 0);
bool record_instruction(Parser& parser, char* start, std::size_t length);
void trim_instruction_table(Parser& parser);
// Gives every text and table the parse grew its exact size.
void finish_tables(Parser& parser);

// Reads an internal DTD subset; false when it recorded an error.
bool read_internal_subset(Parser& parser, char* start, std::size_t length);

// Records the error for a failed decode of the text at position.
bool decode_failed(Parser& parser, DecodeStatus status, const char* position);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_PARSER_HPP
