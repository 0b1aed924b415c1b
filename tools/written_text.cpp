#include "written_text.hpp"

#include <cstring>

#include "xmlslice.hpp"

namespace xmlslice::tool {

namespace {

// A one-element tree written out; what lies between the writer's `before`
// and `after` is the escaped string. The element borrows the string, so
// nothing is copied into the tree.
void append_written(XmlElement* holder, const char* before, const char* after, std::string& out) {
    TextHandle text = to_text(holder);
    std::size_t skipped = std::strlen(before), length = std::strlen(text.get());
    out.append(text.get() + skipped, length - skipped - std::strlen(after));
}

}  // namespace

void append_attribute_value(const std::string& value, std::string& out) {
    DocumentHandle holder(document_new("a"));
    element_set_attribute(holder.get(), "v", value.c_str());
    append_written(holder.get(), "<a v=\"", "\"></a>", out);
}

void append_character_data(const std::string& text, std::string& out) {
    DocumentHandle holder(document_new("a"));
    element_set_text(holder.get(), text.c_str());
    append_written(holder.get(), "<a>", "</a>", out);
}

}  // namespace xmlslice::tool
