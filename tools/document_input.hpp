// Loading a document for the tool: the whole input is read into memory
// first, so that the parse itself can be timed on its own.
#ifndef XMLSLICE_TOOLS_DOCUMENT_INPUT_HPP
#define XMLSLICE_TOOLS_DOCUMENT_INPUT_HPP

#include <string>
#include <vector>

#include "xmlslice.hpp"

namespace xmlslice::tool {

struct LoadedDocument {
    std::string label;        // the file name, or <stdin> for "-"
    std::vector<char> bytes;  // the input; the tree points into it
    std::size_t input_size = 0;
    double parse_seconds = 0;
    DocumentHandle root;

    // The parser's message, or "" when the document is well formed.
    const char* error() const { return document_error_text(root.get()); }
};

// Reads and parses file ("-" is standard input). On failure returns false
// and says why in failure.
bool load_document(const std::string& file, LoadedDocument& document, std::string& failure);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_DOCUMENT_INPUT_HPP
