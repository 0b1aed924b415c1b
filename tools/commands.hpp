// The subcommands of xmlslice. Each writes its result to stdout and its
// complaints to stderr and returns the exit status.
#ifndef XMLSLICE_TOOLS_COMMANDS_HPP
#define XMLSLICE_TOOLS_COMMANDS_HPP

#include <string>
#include <vector>

namespace xmlslice::tool {

enum ExitStatus { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

struct GetOptions {
    std::string attribute;  // -a NAME: print this attribute instead of the text
    bool as_xml = false;    // --xml: print the element serialised
};

int run_check(const std::vector<std::string>& files);
int run_print(const std::string& file);
int run_get(const std::string& file, const std::string& path, const GetOptions& options);
int run_instructions(const std::string& file, const std::string& target);
int run_stats(const std::string& file);

// One line on stderr, prefixed with the program name.
void complain(const std::string& message);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_COMMANDS_HPP
