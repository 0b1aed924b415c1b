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

void append_match(const SelectMatch& match, MatchForm form, std::string& line) {
    switch (match.kind) {
        case NodeKind::root:
            // The document: its root element's, when it has one.
            if (match.element->name) append_element(match.element, form, line);
            return;
        case NodeKind::element:
            return append_element(match.element, form, line);
        case NodeKind::attribute:
            if (form != MatchForm::xml) {
                line += match.value;
                return;
            }
            line += std::string(match.name) + "=\"";
            append_attribute_value(std::string(match.value), line);
            line += '"';
            return;
        case NodeKind::text:
            if (form == MatchForm::xml)
                return append_character_data(std::string(match.value), line);
            line += match.value;
            return;
    }
}

void print_line(const std::string& prefix, std::string_view line) {
    std::fwrite(prefix.data(), 1, prefix.size(), stdout);
    if (!line.empty()) std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

bool compile_or_complain(const std::string& expression, const SelectBindings& bindings,
                         Select& select) {
    SelectError error;
    select = Select::compile(expression, bindings, &error);
    if (select) return true;
    complain("bad expression '" + expression + "': " + error.message + " at column " +
             std::to_string(error.column));
    return false;
}

bool bind_options(const SelectOptions& options, SelectBindings& bindings) {
    for (const auto& [name, value] : options.variables)
        if (!bindings.set_string(name, value)) return false;
    for (const auto& [prefix, uri] : options.prefixes)
        if (!bindings.bind_prefix(prefix, uri)) return false;
    return true;
}

std::string prefix_for(const LoadedDocument& document, const SelectOptions& options,
                       std::size_t file_count) {
    bool named = options.file_names == FileNames::always ||
                 (options.file_names == FileNames::automatic && file_count > 1);
    return named ? document.label + ":" : "";
}

// Compiles and runs expression on each file in turn; each(result, prefix)
// prints. The status: 0 when some value was true as XPath's boolean() says
// (a non-empty node-set or string, a number other than 0 and NaN, true), 1
// when none was or a document failed, 2 for an expression that does not
// compile or fails as it runs.
template <class Each>
int for_each_document(const std::vector<std::string>& files, const std::string& expression,
                      const SelectOptions& options, Each each) {
    SelectBindings bindings;
    if (!bind_options(options, bindings)) {
        complain("out of memory");
        return EXIT_USAGE;
    }
    Select select;
    if (!compile_or_complain(expression, bindings, select)) return EXIT_USAGE;
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
        select.run_from_document(document.root.get(), result, bindings);
        if (result.failed()) {
            complain(document.label + ": " + std::string(result.error()));
            return EXIT_USAGE;
        }
        each(result, prefix_for(document, options, files.size()));
        matched = result.boolean() || matched;
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
    std::string line;
    return for_each_document(files, expression, options,
                             [&](const SelectResult& result, const std::string& prefix) {
                                 if (!result.is_node_set()) {
                                     print_line(prefix, result.string());
                                     return;
                                 }
                                 for (const SelectMatch& match : result.matches()) {
                                     line.clear();
                                     append_match(match, options.form, line);
                                     print_line(prefix, line);
                                 }
                             });
}

int run_count(const std::vector<std::string>& files, const std::string& expression,
              const SelectOptions& options) {
    return for_each_document(files, expression, options,
                             [&](const SelectResult& result, const std::string& prefix) {
                                 if (result.is_node_set()) {
                                     print_line(prefix, std::to_string(result.size()));
                                 } else {
                                     print_line(prefix, result.string());
                                 }
                             });
}

}  // namespace xmlslice::tool
