// Document creation and the release of elements, documents and attribute lists.
#include <sys/mman.h>

#include <cstdlib>
#include <cstring>

#include "tree/tree_internal.hpp"

namespace xmlslice {

char* const empty_list[1] = {nullptr};

namespace detail {
const char empty_string[1] = "";
}  // namespace detail

using namespace detail;

namespace {

// The predefined entities; their values are character references that the
// decoder expands again after substituting them.
const char* const predefined_entities[] = {
    "lt;", "&#60;", "gt;", "&#62;", "quot;", "&#34;", "apos;", "&#39;", "amp;", "&#38;", nullptr,
};
constexpr std::size_t predefined_slots = sizeof predefined_entities / sizeof *predefined_entities;
constexpr std::size_t predefined_pairs = (predefined_slots - 1) / 2;

void free_entities(XmlDocument* document) {
    char** table = document->entities;
    if (!table) return;
    for (std::size_t slot = predefined_pairs * 2; table[slot]; slot += 2)
        if (!lies_in_text(document, table[slot + 1])) std::free(table[slot + 1]);
    std::free(table);
}

void free_attribute_defaults(XmlDocument* document) {
    char*** table = document->attribute_defaults;
    if (!table || is_empty_list(table)) return;
    for (char*** list = table; *list; ++list) {
        for (char** triple = *list + 1; *triple; triple += 3)
            if (triple[1] && !lies_in_text(document, triple[1])) std::free(triple[1]);
        std::free(*list);
    }
    std::free(table);
}

void free_instructions(XmlDocument* document) {
    char*** table = document->instructions;
    if (!table || is_empty_list(table)) return;
    for (char*** list = table; *list; ++list) {
        char** slot = *list + 1;
        while (*slot) ++slot;
        std::free(slot[1]);  // the position string
        std::free(*list);
    }
    std::free(table);
}

void release_document_data(XmlDocument* document) {
    free_entities(document);
    free_attribute_defaults(document);
    free_instructions(document);
    if (document->mapped_length == ~std::size_t(0))
        std::free(document->source);
    else if (document->mapped_length != 0)
        munmap(document->source, document->mapped_length);
    std::free(document->converted);
}

void release_own_data(XmlElement* element) {
    if (!element->parent) release_document_data(reinterpret_cast<XmlDocument*>(element));
    attribute_list_free(element->attributes);
    if (element->flags & TEXT_OWNED) std::free(element->text);
    if (element->flags & NAME_OWNED) std::free(element->name);
    std::free(element);
}

}  // namespace

XmlElement* document_new(const char* name) {
    auto* document = static_cast<XmlDocument*>(std::calloc(1, sizeof(XmlDocument)));
    if (!document) return nullptr;
    auto** entities = static_cast<char**>(std::malloc(sizeof predefined_entities));
    if (!entities) {
        std::free(document);
        return nullptr;
    }
    std::memcpy(entities, predefined_entities, sizeof predefined_entities);
    XmlElement* root = &document->root;
    root->name = const_cast<char*>(name);
    root->text = empty_text();
    root->attributes = empty_table();
    document->current_element = root;
    document->entities = entities;
    document->attribute_defaults = empty_table3();
    document->instructions = empty_table3();
    return root;
}

// Post-order over the (first_child, next_in_order) links: children and
// following siblings go before an element's own data. The back links live in
// next_same_name, which freeing no longer needs, so no stack grows with depth.
void element_free(XmlElement* element) {
    if (!element) return;
    XmlElement* node = element;
    node->next_same_name = nullptr;
    for (;;) {
        XmlElement* next = node->first_child;
        if (next) {
            node->first_child = nullptr;
        } else if ((next = node->next_in_order)) {
            node->next_in_order = nullptr;
        } else {
            XmlElement* up = node->next_same_name;
            bool last = node == element;
            release_own_data(node);
            if (last) return;
            node = up;
            continue;
        }
        next->next_same_name = node;
        node = next;
    }
}

void attribute_list_free(AttributeList list) {
    if (!list || is_empty_list(list)) return;
    std::size_t pairs = attribute_count(list);
    const char* ownership = list[2 * pairs + 1];
    for (std::size_t k = 0; k < pairs && ownership && ownership[k]; ++k) {
        auto bits = static_cast<unsigned char>(ownership[k]);
        if (bits & OWNS_NAME) std::free(list[2 * k]);
        if (bits & OWNS_VALUE) std::free(list[2 * k + 1]);
    }
    std::free(list[2 * pairs + 1]);
    std::free(list);
}

}  // namespace xmlslice
