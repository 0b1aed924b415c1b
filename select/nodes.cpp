#include "select/nodes.hpp"

#include <cstring>

#include "select/character_data.hpp"

namespace xmlslice::detail {

namespace {

constexpr const char* XML_NAMESPACE = "http://www.w3.org/XML/1998/namespace";

// Whether attribute name declares prefix ("" the default namespace).
bool declares(const char* name, std::string_view prefix) {
    if (std::strncmp(name, "xmlns", 5) != 0) return false;
    if (prefix.empty()) return name[5] == '\0';
    return name[5] == ':' && std::string_view(name + 6) == prefix;
}

}  // namespace

SelectMatch to_match(const Node& node) {
    SelectMatch match{node.element, nullptr, {}, false, node.kind};
    if (node.kind == NodeKind::attribute) {
        match.name = node.name;
        match.value = node.value;
        match.declared_default = node.declared_default;
    } else if (node.kind == NodeKind::text) {
        match.value = std::string_view(node.value, node.length);
    }
    return match;
}

Node from_match(const SelectMatch& match, const AttributeLookup& attributes) {
    switch (match.kind) {
        case NodeKind::root:
            return root_node(match.element);
        case NodeKind::element:
            return element_node(match.element);
        case NodeKind::attribute: {
            FoundAttribute found = attributes.find(match.element, match.name);
            if (!found.name) found = {match.name, match.value.data(), 0, match.declared_default};
            return attribute_node(match.element, found);
        }
        case NodeKind::text:
            break;
    }
    TextCursor cursor = TextCursor::of(match.element);
    std::size_t start = static_cast<std::size_t>(match.value.data() - cursor.text);
    XmlElement* after = match.element->first_child;
    while (after && cursor.clamp(after->offset) <= start) after = after->next_in_order;
    return text_node(match.element, match.value, after);
}

const char* namespace_uri_in_scope(const XmlElement* element, std::string_view prefix) {
    if (prefix == "xml") return XML_NAMESPACE;
    for (; element; element = element->parent) {
        for (char** pair = element->attributes; *pair; pair += 2) {
            if (!declares(pair[0], prefix)) continue;
            // xmlns="" takes the default namespace away.
            return *pair[1] ? pair[1] : nullptr;
        }
    }
    return nullptr;
}

}  // namespace xmlslice::detail
