#include "select_command.hpp"

#include <cstdio>

#include "commands.hpp"
#include "document_input.hpp"
#include "written_text.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::tool {

namespace {

void append_element(XmlElement* element, MatchForm form, std::string& line) {
    if (form == MatchForm::xml) {
        line += to_text(element).get();
    } else if (form == MatchForm::text) {
        line += element->text;
    } else {
        append_string_value(element, line);
    }
}

void append_match(const SelectMatch& match, SelectKind kind, MatchForm form, std::string& line) {
    if (kind == SelectKind::elements) return append_element(match.element, form, line);
    if (form != MatchForm::xml) {
        line += match.value;
    } else if (kind == SelectKind::attributes) {
        line += std::string(match.name) + "=\"";
        append_attribute_value(std::string(match.value), line);
        line += '"';
    } else {
        append_character_data(std::string(match.value), line);
    }
}

void print_line(const std::string& prefix, const std::string& line) {
    std::fwrite(prefix.data(), 1, prefix.size(), stdout);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

bool compile_or_complain(const std::string& expression, Select& select) {
    SelectError error;
    select = Select::compile(expression, &error);
    if (select) return true;
    complain("bad expression '" + expression + "': " + error.message + " at column " +
             std::to_string(error.column));
    return false;
}

std::string prefix_for(const LoadedDocument& document, const SelectOptions& options,
                       std::size_t file_count) {
    bool named = options.file_names == FileNames::always ||
                 (options.file_names == FileNames::automatic && file_count > 1);
    return named ? document.label + ":" : "";
}

// Runs select on each file in turn; each(document, result, prefix) prints
// and says whether anything matched.
template <class Each>
int for_each_document(const std::vector<std::string>& files, const Select& select,
                      const SelectOptions& options, Each each) {
    bool matched = false;
    bool failed = false;
    SelectResult result;
    for (const std::string& file : files) {
        LoadedDocument document;
        std::string failure;
        if (!load_document(file, document, failure)) {
            complain(failure);
            failed = true;
            continue;
        }
        // A broken document still answers from the tree built so far.
        select.run_from_document(document.root.get(), result);
        matched = each(result, prefix_for(document, options, files.size())) || matched;
        if (*document.error()) {
            complain(document.label + ": " + document.error());
            failed = true;
        }
    }
    return failed || !matched ? EXIT_FAILED : EXIT_OK;
}

}  // namespace

int run_select(const std::vector<std::string>& files, const std::string& expression,
               const SelectOptions& options) {
    Select select;
    if (!compile_or_complain(expression, select)) return EXIT_USAGE;
    std::string line;
    return for_each_document(files, select, options,
                             [&](const SelectResult& result, const std::string& prefix) {
                                 if (result.kind() == SelectKind::number) {
                                     print_line(prefix, std::to_string(result.number()));
                                     return result.number() > 0;
                                 }
                                 if (result.kind() == SelectKind::string) {
                                     print_line(prefix, result.string());
                                     return !result.string().empty();
                                 }
                                 for (const SelectMatch& match : result.matches()) {
                                     line.clear();
                                     append_match(match, result.kind(), options.form, line);
                                     print_line(prefix, line);
                                 }
                                 return !result.empty();
                             });
}

int run_count(const std::vector<std::string>& files, const std::string& expression,
              const SelectOptions& options) {
    Select select;
    if (!compile_or_complain(expression, select)) return EXIT_USAGE;
    if (select.kind() == SelectKind::number || select.kind() == SelectKind::string) {
        complain("count needs a path, not a function: try select");
        return EXIT_USAGE;
    }
    return for_each_document(files, select, options,
                             [&](const SelectResult& result, const std::string& prefix) {
                                 print_line(prefix, std::to_string(result.size()));
                                 return !result.empty();
                             });
}

}  // namespace xmlslice::tool
