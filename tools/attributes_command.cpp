// `xmlslice attrs`: an element's attributes, its own and then the declared
// defaults it does not override, the latter marked.
#include <cstdio>

#include "commands.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::tool {

int run_attributes(const std::string& file, const std::string& path_text) {
    LoadedDocument document;
    XmlElement* element = nullptr;
    int status = load_and_find(file, path_text, document, element);
    if (status >= 0) return status;
    SelectResult attributes = Select::compile("@*").run(element);
    for (const SelectMatch& match : attributes.matches())
        std::printf("%s=%.*s%s\n", match.name, static_cast<int>(match.value.size()),
                    match.value.data(), match.declared_default ? " (default)" : "");
    return finish(document, EXIT_OK);
}

}  // namespace xmlslice::tool
