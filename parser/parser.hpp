// The state of one parse, each part with its owner, and the steps that the
// scanner and the DTD subset reader share.
#ifndef XMLSLICE_PARSER_HPP
#define XMLSLICE_PARSER_HPP

#include <cstddef>

#include "parser/entity_set.hpp"
#include "parser/keyed_lists.hpp"
#include "parser/line_ledger.hpp"
#include "parser/text_decode.hpp"
#include "parser/tree_builder.hpp"
#include "xmlslice.hpp"

namespace xmlslice::detail {

struct Parser {
    explicit Parser(XmlDocument* document)
        : document(document),
          entities(&document->entities),
          declarations(document),
          instructions(document),
          tree(document) {}

    // Whether a construct whose closing '>' should stand at `at` is closed:
    // the end of the text counts as one when the text's final byte was '>'.
    bool closes(const char* at) const { return *at == '>' || (!*at && final_byte_was_gt); }

    XmlDocument* document;
    bool final_byte_was_gt = false;
    LineLedger lines;
    DecodeContext decoding;
    EntitySet entities;
    AttributeDeclarations declarations;
    Instructions instructions;
    TreeBuilder tree;
};

// Records the document's error and returns false, for use in a return
// statement; so do the two below.
bool record_error(Parser& parser, const char* position, const char* format, ...);
// Records "out of memory".
bool out_of_memory(Parser& parser, const char* position);
// Records the error for a failed decode of the text at position.
bool decode_failed(Parser& parser, DecodeStatus status, const char* position);

// Converts UTF-16 input, or single-byte input that its XML declaration
// names, to UTF-8 in the document's converted buffer, which then replaces
// buffer and length; false when it recorded an error (a declared encoding
// it does not read, or no memory).
bool convert_input(Parser& parser, char*& buffer, std::size_t& length);
// A processing instruction: the bytes after "<?" up to its closing '?'.
bool record_instruction(Parser& parser, char* start, std::size_t length);
// In an internal subset: the last byte of the comment ("-->") or
// instruction ("?>") that starts at `at`, the NUL when it is not closed, or
// `at` itself for other markup.
char* end_of_comment_or_instruction(char* at);
// Reads an internal DTD subset; false when it recorded an error.
bool read_internal_subset(Parser& parser, char* start, std::size_t length);
// Scans the text (NUL-terminated, its final byte already saved).
void scan_document(Parser& parser, char* text);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_PARSER_HPP
