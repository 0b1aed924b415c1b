// Document creation and the release of elements, documents and attribute lists.
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "tree/tables.hpp"
#include "tree/tree_walk.hpp"

namespace xmlslice {

char* const empty_list[1] = {nullptr};

namespace detail {

const char empty_string[1] = "";

void release_source(char* source, std::size_t mapped_length) {
    if (mapped_length == HEAP_BUFFER)
        std::free(source);
    else if (mapped_length != 0)
        munmap(source, mapped_length);
}

bool names_equal(const char* a, const char* b) {
    return a && b ? std::strcmp(a, b) == 0 : a == b;
}

// Deeper than this a document keeps no chain ends.
constexpr int chain_ends_depth = 64;

ChainEnds* chain_ends_above(XmlElement* element) {
    for (int depth = 0; element->parent; element = element->parent)
        if (++depth > chain_ends_depth) return nullptr;
    return &reinterpret_cast<DocumentBlock*>(element)->chain_ends;
}

}  // namespace detail

using namespace detail;

namespace {

void release_element(XmlElement* element) {
    if (!element->parent) {
        auto* document = reinterpret_cast<XmlDocument*>(element);
        release_tables(document);
        std::free(reinterpret_cast<DocumentBlock*>(document)->chain_ends.listed);
        release_source(document->source, document->mapped_length);
        std::free(document->converted);
    }
    attribute_list_free(element->attributes);
    if (element->flags & TEXT_OWNED) std::free(element->text);
    if (element->flags & NAME_OWNED) std::free(element->name);
    std::free(element);
}

}  // namespace

XmlElement* document_new(const char* name) {
    auto* document = static_cast<XmlDocument*>(std::calloc(1, sizeof(DocumentBlock)));
    auto** entities = static_cast<char**>(std::malloc(sizeof predefined_entities));
    if (!document || !entities) {
        std::free(document);
        std::free(entities);
        return nullptr;
    }
    std::memcpy(entities, predefined_entities, sizeof predefined_entities);
    XmlElement* root = &document->root;
    root->name = const_cast<char*>(name);
    root->text = empty_text();
    root->attributes = empty_table();
    document->current_element = root;
    document->entities = entities;
    document->attribute_defaults = document->instructions =
        reinterpret_cast<char***>(empty_table());
    return root;
}

// Frees the element, its subtree and the siblings after it; every element
// goes after its descendants.
void element_free(XmlElement* element) {
    if (element)
        walk_chain(
            element, [](XmlElement*) {}, release_element);
}

}  // namespace xmlslice
