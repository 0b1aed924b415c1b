// `xmlslice attrs`: an element's attributes, its own and then the declared
// defaults it does not override, the latter marked.
#include <cstdio>

#include "commands.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::tool {

int run_attributes(const std::string& file, const std::string& path_text) {
    ElementPath path;
    if (!parse_or_complain(path_text, path)) return EXIT_USAGE;
    LoadedDocument document;
    if (!load_or_complain(file, document)) return EXIT_FAILED;
    XmlElement* element = find_or_complain(document, path);
    if (!element) return EXIT_FAILED;
    SelectResult attributes = Select::compile("@*").run(element);
    for (const SelectMatch& match : attributes.matches())
        std::printf("%s=%.*s%s\n", match.name, static_cast<int>(match.value.size()),
                    match.value.data(), match.declared_default ? " (default)" : "");
    return finish(document, EXIT_OK);
}

}  // namespace xmlslice::tool
