// Parses, edits, writes and queries a document through the installed
// headers and libraries; prints the result for the packaging test to compare.
#include <cstdio>

#include <xmlslice.hpp>
#include <xmlslice_select.hpp>

int main() {
    char text[] = "<a x='1'>t<b/>u</a>";
    xmlslice::DocumentHandle root = xmlslice::parse_buffer(text, sizeof text - 1);
    xmlslice::element_set_attribute(root.get(), "y", "2");
    xmlslice::TextHandle out = xmlslice::to_text(root.get());
    std::printf("%s\n", out.get());
    xmlslice::Select select = xmlslice::Select::compile("count(//b)");
    std::printf("%g\n", select.run(root.get()).number());
    return *xmlslice::document_error_text(root.get()) ? 1 : 0;
}
