// Shared helpers for the element records: the static empty string, the
// shared empty list, the way from an element to its document, the walk to a
// name's group and how a document releases its input.
#ifndef XMLSLICE_TREE_INTERNAL_HPP
#define XMLSLICE_TREE_INTERNAL_HPP

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xmlslice.hpp"

namespace xmlslice::detail {

// The one static "" that stands for every absent text and value; never freed.
extern const char empty_string[1];
inline char* empty_text() {
    return const_cast<char*>(empty_string);
}

// empty_list is read-only; tables that are still empty point at it.
inline char** empty_table() {
    return const_cast<char**>(empty_list);
}
inline bool is_empty_list(const void* table) {
    return table == static_cast<const void*>(empty_list);
}

// The element with no parent at the top of the chain is the document.
inline XmlDocument* document_of(XmlElement* element) {
    while (element->parent) element = element->parent;
    return reinterpret_cast<XmlDocument*>(element);
}

// Names compare as exact byte strings; a missing name equals only another.
bool names_equal(const char* a, const char* b);

// The link that leads to the head of name's group on the name-group chain
// whose start *chain holds: chain itself when that start is the head, else the
// next_name_group of the head before it, or the chain's null end when the name
// has no group.
inline XmlElement** group_link(XmlElement** chain, const char* name) {
    while (*chain && !names_equal((*chain)->name, name)) chain = &(*chain)->next_name_group;
    return chain;
}

// A document's private state, in its block after the public record: for a
// few chains (a parent's children, or a name group's later members, each
// keyed by the link it starts from) the member that ends it, so that hosts
// append without walking. An entry is kept true by every insert and detach
// that reaches the document; one whose element left its chain is dropped by
// the detach, and an insert that brings a subtree from elsewhere drops all,
// since entries for that subtree may have gone stale in another document.
struct ChainEnds {
    struct End {
        XmlElement** start;
        XmlElement* last;
    };
    End ends[16];
    // One parent's children in order, left by a detach of its last child, so
    // that detaching the next from the end needs no walk. Any other insert or
    // detach drops the list (but keeps its block, freed with the document).
    XmlElement* listed_parent;
    XmlElement** listed;
    std::size_t listed_count, listed_capacity;

    End& at(XmlElement** start) {
        auto key = reinterpret_cast<std::uintptr_t>(start) * 0x9E3779B97F4A7C15u;
        return ends[key >> (sizeof key * 8 - 4)];
    }
    void forget() {
        for (End& end : ends) end = {};
        listed_parent = nullptr;
    }
};
struct DocumentBlock {
    XmlDocument document;
    ChainEnds chain_ends;
};
// The chain ends of element's document; null when the element lies deeper
// than entries are kept for, so that no walk here grows with the depth.
ChainEnds* chain_ends_above(XmlElement* element);

// Strings inside the parsed text are pieces of the input, never freed alone.
inline bool lies_in_text(const XmlDocument* document, const char* string) {
    return string >= document->text_start && string <= document->text_end;
}

// mapped_length of an input the document owns as a heap buffer; any other
// non-zero value is the length of a mapping.
constexpr std::size_t HEAP_BUFFER = ~std::size_t(0);
// Releases an input as its mapped_length says; 0 leaves it to its owner.
void release_source(char* source, std::size_t mapped_length);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_TREE_INTERNAL_HPP
