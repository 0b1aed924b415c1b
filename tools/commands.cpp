#include "commands.hpp"

#include <cstdio>
#include <cstring>

#include "document_input.hpp"
#include "element_path.hpp"
#include "tree_stats.hpp"

namespace xmlslice::tool {

namespace {

void print_line(const char* text) {
    std::fwrite(text, 1, std::strlen(text), stdout);
    std::fputc('\n', stdout);
}

// Loads file; false (after complaining) when it cannot be read.
bool load_or_complain(const std::string& file, LoadedDocument& document) {
    std::string failure;
    if (load_document(file, document, failure)) return true;
    complain(failure);
    return false;
}

// After a command has used the (possibly partial) tree: a syntax error
// still fails the command.
int finish(const LoadedDocument& document, int status) {
    if (!*document.error()) return status;
    complain(document.label + ": " + document.error());
    return EXIT_FAILED;
}

}  // namespace

void complain(const std::string& message) {
    std::fprintf(stderr, "xmlslice: %s\n", message.c_str());
}

int run_check(const std::vector<std::string>& files) {
    int status = EXIT_OK;
    for (const std::string& file : files) {
        LoadedDocument document;
        if (!load_or_complain(file, document)) {
            status = EXIT_FAILED;
            continue;
        }
        const char* error = document.error();
        std::printf("%s: %s\n", document.label.c_str(), *error ? error : "ok");
        if (*error) status = EXIT_FAILED;
    }
    return status;
}

int run_print(const std::string& file) {
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    TextHandle text = to_text(document.root.get());
    if (*text) print_line(text.get());  // no root element, nothing to print
    return finish(document, EXIT_OK);
}

int run_get(const std::string& file, const std::string& path_text, const GetOptions& options) {
    ElementPath path;
    std::string problem;
    if (!parse_element_path(path_text, path, problem)) {
        complain("bad path '" + path_text + "': " + problem);
        return EXIT_USAGE;
    }
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;

    std::string missing;
    XmlElement* element = find_element(document.root.get(), path, missing);
    if (!element) {
        complain(document.label + ": no element " + missing);
        return finish(document, EXIT_FAILED);
    }
    if (options.as_xml) {
        print_line(to_text(element).get());
    } else if (!options.attribute.empty()) {
        const char* value = element_attribute_value(element, options.attribute.c_str());
        if (!value) {
            complain(document.label + ": " + path_text + " has no attribute " + options.attribute);
            return finish(document, EXIT_FAILED);
        }
        print_line(value);
    } else {
        print_line(element->text);
    }
    return finish(document, EXIT_OK);
}

int run_instructions(const std::string& file, const std::string& target) {
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    for (char** text = document_instructions(document.root.get(), target.c_str()); *text; ++text)
        print_line(*text);
    return finish(document, EXIT_OK);
}

int run_stats(const std::string& file) {
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    TreeStats stats = measure_tree(document.root.get());
    double milliseconds = document.parse_seconds * 1e3;
    double megabytes_per_second =
        document.parse_seconds > 0 ? document.input_size / document.parse_seconds / 1e6 : 0;
    std::printf(
        "elements: %zu\nattributes: %zu\ninstructions: %zu\nmax depth: %zu\n"
        "input bytes: %zu\nparse time: %.3f ms (%.1f MB/s)\n",
        stats.elements, stats.attributes, stats.instructions, stats.max_depth, document.input_size,
        milliseconds, megabytes_per_second);
    return finish(document, EXIT_OK);
}

}  // namespace xmlslice::tool
