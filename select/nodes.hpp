// The nodes of XPath's data model over the tree: the root node (the
// document above the root element), elements, attributes (own and declared
// defaults) and text nodes (the runs of an element's own text between its
// children). The tree keeps no comment, processing-instruction or namespace
// nodes.
#ifndef XMLSLICE_SELECT_NODES_HPP
#define XMLSLICE_SELECT_NODES_HPP

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "select/attribute_lookup.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

struct Node {
    XmlElement* element = nullptr;  // the element; the holder of an attribute or text; the root
                                    // record for the root node
    const char* name = nullptr;     // attributes
    const char* value = nullptr;    // attributes and texts
    XmlElement* after = nullptr;    // texts: the child right after the run, or null
    std::size_t length = 0;         // texts: bytes in the run
    std::uint32_t rank = 0;         // attributes: place among the element's attributes
    NodeKind kind = NodeKind::root;
    bool declared_default = false;
};

inline bool same_node(const Node& a, const Node& b) {
    return a.kind == b.kind && a.element == b.element && a.value == b.value && a.name == b.name;
}

inline Node root_node(XmlElement* top) {
    Node node;
    node.element = top;
    node.kind = NodeKind::root;
    return node;
}
inline Node element_node(XmlElement* element) {
    Node node;
    node.element = element;
    node.kind = NodeKind::element;
    return node;
}
inline Node text_node(XmlElement* holder, std::string_view run, XmlElement* after) {
    Node node;
    node.element = holder;
    node.value = run.data();
    node.length = run.size();
    node.after = after;
    node.kind = NodeKind::text;
    return node;
}
inline Node attribute_node(XmlElement* owner, const FoundAttribute& found) {
    Node node;
    node.element = owner;
    node.name = found.name;
    node.value = found.value;
    node.rank = found.rank;
    node.kind = NodeKind::attribute;
    node.declared_default = found.declared_default;
    return node;
}

// Whether the tree's root record holds a root element (a document that was
// never given one has a nameless record).
inline bool has_root_element(const XmlElement* top) {
    return top->name != nullptr;
}

// The public form of a node, and back (a text's following child and an
// attribute's rank are found again).
SelectMatch to_match(const Node& node);
Node from_match(const SelectMatch& match, const AttributeLookup& attributes);

// The namespace URI that prefix ("" for the default namespace) has where
// element stands, by the xmlns declarations of it and its ancestors; null
// when none is in scope.
const char* namespace_uri_in_scope(const XmlElement* element, std::string_view prefix);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_NODES_HPP
