// `xmlslice select` and `xmlslice count`: an expression run over one or
// more documents, from the document above each root, as XPath tools do.
#ifndef XMLSLICE_TOOLS_SELECT_COMMAND_HPP
#define XMLSLICE_TOOLS_SELECT_COMMAND_HPP

#include <string>
#include <vector>

namespace xmlslice::tool {

enum class MatchForm { value, text, xml };  // string value, own text, serialised
enum class FileNames { automatic, always, never };

struct SelectOptions {
    MatchForm form = MatchForm::value;
    FileNames file_names = FileNames::automatic;  // automatic: with several files
};

// Prints every match, one per line.
int run_select(const std::vector<std::string>& files, const std::string& expression,
               const SelectOptions& options);
// Prints the number of matches per file.
int run_count(const std::vector<std::string>& files, const std::string& expression,
              const SelectOptions& options);

}  // namespace xmlslice::tool

#endif  // XMLSLICE_TOOLS_SELECT_COMMAND_HPP
