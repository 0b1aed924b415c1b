// `xmlslice select` and `xmlslice count`: an XPath expression run over one
// or more documents, from the root node of each, as XPath tools do.
#ifndef XMLSLICE_TOOLS_SELECT_COMMAND_HPP
#define XMLSLICE_TOOLS_SELECT_COMMAND_HPP

#include <string>
#include <utility>
#include <vector>

namespace xmlslice::tool {

enum class MatchForm { value, text, xml };  // string value, own text, serialised
enum class FileNames { automatic, always, never };

struct SelectOptions {
    MatchForm form = MatchForm::value;
    FileNames file_names = FileNames::automatic;                 // automatic: with several files
    std::vector<std::pair<std::string, std::string>> variables;  // --var NAME=VALUE
    std::vector<std::pair<std::string, std::string>> prefixes;   // --ns PREFIX=URI
};

// Prints every node of a node-set, one per line, or any other value as
// XPath's string() of it.
int run_select(const std::vector<std::string>& files, const std::string& expression,
               const SelectOptions& options);
// Prints the number of nodes per file, or any other value as string() of it.
int run_count(const std::vector<std::string>& files, const std::string& expression,
              const SelectOptions& options);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_SELECT_COMMAND_HPP
