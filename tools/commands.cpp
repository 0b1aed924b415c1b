#include "commands.hpp"

#include <cstdio>
#include <cstring>
#include <deque>

#include "element_path.hpp"
#include "indent_print.hpp"
#include "tree_stats.hpp"

namespace xmlslice::tool {

namespace {

void print_line(const char* text) {
    std::fwrite(text, 1, std::strlen(text), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

void complain(const std::string& message) {
    std::fprintf(stderr, "xmlslice: %s\n", message.c_str());
}

bool load_or_complain(const std::string& file, LoadedDocument& document) {
    std::string failure;
    if (load_document(file, document, failure)) return true;
    complain(failure);
    return false;
}

int finish(const LoadedDocument& document, int status) {
    if (!*document.error()) return status;
    complain(document.label + ": " + document.error());
    return EXIT_FAILED;
}

int lookup_failed(const LoadedDocument& document, const std::string& message) {
    complain(document.label + ": " + (*document.error() ? document.error() : message));
    return EXIT_FAILED;
}

namespace {

bool parse_or_complain(const std::string& path_text, ElementPath& path) {
    std::string problem;
    if (parse_element_path(path_text, path, problem)) return true;
    complain("bad path '" + path_text + "': " + problem);
    return false;
}

}  // namespace

int load_and_find(const std::string& file, const std::string& path_text, LoadedDocument& document,
                  XmlElement*& element) {
    ElementPath path;
    if (!parse_or_complain(path_text, path)) return EXIT_USAGE;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    std::string missing;
    element = find_element(document.root.get(), path, missing);
    return element ? -1 : lookup_failed(document, "no element " + missing);
}

int run_check(const std::vector<std::string>& files, bool quiet) {
    int status = EXIT_OK;
    for (const std::string& file : files) {
        LoadedDocument document;
        std::string failure;
        bool read = load_document(file, document, failure);
        const char* error = read ? document.error() : "";
        if (!read || *error) status = EXIT_FAILED;
        if (quiet) continue;
        // Every verdict goes to stdout, also for a file that cannot be read.
        print_line(read ? (document.label + ": " + (*error ? error : "ok")).c_str()
                        : failure.c_str());
    }
    return status;
}

int run_print(const std::string& file, int indent) {
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    std::deque<std::string> indented_texts;
    if (indent >= 0) indent_tree(document.root.get(), indent, indented_texts);
    TextHandle text = to_text(document.root.get());
    if (*text) print_line(text.get());  // no root element, nothing to print
    return finish(document, EXIT_OK);
}

int run_get(const std::string& file, const std::string& path_text, const GetOptions& options) {
    LoadedDocument document;
    XmlElement* element = nullptr;
    int status = load_and_find(file, path_text, document, element);
    if (status >= 0) return status;
    if (options.as_xml) {
        print_line(to_text(element).get());
    } else if (!options.attribute.empty()) {
        const char* value = element_attribute_value(element, options.attribute.c_str());
        if (!value)
            return lookup_failed(document, path_text + " has no attribute " + options.attribute);
        print_line(value);
    } else {
        print_line(element->text);
    }
    return finish(document, EXIT_OK);
}

int run_instructions(const std::string& file, const std::string& target) {
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    char** text = document_instructions(document.root.get(), target.c_str());
    if (!*text) return lookup_failed(document, "no processing instruction " + target);
    for (; *text; ++text) print_line(*text);
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
