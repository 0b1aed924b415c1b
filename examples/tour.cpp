// A short tour of xmlslice from C++: parse a file, walk and query the tree,
// edit it and write it back out. Run it with the path of examples/catalog.xml.
#include <cstdio>
#include <cstring>
#include <string_view>

#include <xmlslice.hpp>

using namespace xmlslice;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s catalog.xml\n", argv[0]);
        return 2;
    }
    // The handle frees the document, its tables and the file mapping.
    DocumentHandle catalog = parse_path(argv[1]);
    if (!catalog) {
        std::perror(argv[1]);
        return 1;
    }
    if (*document_error_text(catalog.get())) {
        std::fprintf(stderr, "%s\n", document_error_text(catalog.get()));
        return 1;
    }

    // Every book with its attributes; format and currency fall back to the
    // defaults the document declares.
    for (XmlElement* book : children_named(catalog.get(), "book")) {
        std::printf("%s:", element_attribute_value(book, "id"));
        for (auto [name, value] : attributes(book))
            std::printf(" %.*s=%.*s", int(name.size()), name.data(), int(value.size()),
                        value.data());
        std::printf(" (format %s, %s)\n", element_attribute_value(book, "format"),
                    element_attribute_value(book, "currency"));
        for (XmlElement* field : children(book))
            if (std::string_view(field->name) != "blurb")
                std::printf("  %s: %s\n", field->name, field->text);
    }

    // A path of (name, index) pairs: the second author of the second book.
    XmlElement* author = element_find_path(catalog.get(), "book", 1, "author", 1, "");
    std::printf("second author of b2: %s\n", author ? author->text : "(none)");

    // Editing stores the host's strings without copying: these literals
    // outlive the document, so nothing is handed over.
    XmlElement* third = element_nth_same_name(element_first_named(catalog.get(), "book"), 2);
    XmlElement* stock = element_add_child(third, "stock", std::strlen(third->text));
    element_set_text(stock, "3");
    element_set_attribute(third, "currency", nullptr);  // back to the declared EUR
    element_set_attribute(stock, "shelf", "B4");

    // The text is the caller's; the handle frees it.
    TextHandle book = to_text(third);
    std::printf("%s\n", book.get());
}
