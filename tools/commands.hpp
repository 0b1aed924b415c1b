// The subcommands of xmlslice. Each writes its result to stdout and its
// complaints to stderr and returns the exit status.
#ifndef XMLSLICE_TOOLS_COMMANDS_HPP
#define XMLSLICE_TOOLS_COMMANDS_HPP

#include <string>
#include <vector>

#include "document_input.hpp"

namespace xmlslice::tool {

enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

struct GetOptions {
    std::string attribute;  // -a NAME: print this attribute instead of the text
    bool as_xml = false;    // --xml: print the element serialised
};

// quiet: only the exit status tells.
int run_check(const std::vector<std::string>& files, bool quiet);
// indent: spaces per level, or negative to write the tree as it is.
int run_print(const std::string& file, int indent);
int run_get(const std::string& file, const std::string& path, const GetOptions& options);
int run_attributes(const std::string& file, const std::string& path);
int run_instructions(const std::string& file, const std::string& target);
int run_stats(const std::string& file);

// One line on stderr, prefixed with the program name.
void complain(const std::string& message);

// Loads file; false (after complaining) when it cannot be read.
bool load_or_complain(const std::string& file, LoadedDocument& document);
// After a command has used the (possibly partial) tree: a syntax error
// still fails the command.
int finish(const LoadedDocument& document, int status);
// A lookup found nothing. On a broken document the syntax error is the one
// line said, since it is the likelier reason.
int lookup_failed(const LoadedDocument& document, const std::string& message);
// Reads a get-style path, loads file and finds the element the path names:
// -1 when it is there, else the exit status, after complaining.
int load_and_find(const std::string& file, const std::string& path_text, LoadedDocument& document,
                  XmlElement*& element);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_COMMANDS_HPP
