#include "xmlslice_side.hpp"

#include "expression_generator.hpp"

namespace differential {
namespace {

using namespace xmlslice;

std::string element_signature(const XmlElement* element) {
    std::vector<int> positions;
    for (const XmlElement* node = element; node; node = node->parent) {
        int position = 1;
        if (node->parent)
            for (const XmlElement* before = node->parent->first_child; before != node;
                 before = before->next_in_order)
                ++position;
        positions.push_back(position);
    }
    std::string signature;
    for (auto it = positions.rbegin(); it != positions.rend(); ++it)
        signature += "/" + std::to_string(*it);
    return signature;
}

// A run of text is known by the children before it: its value lies in its
// element's text, and the children before it sit at offsets up to its start.
std::string text_signature(const SelectMatch& node) {
    const char* text = node.element->text;
    std::size_t length = std::char_traits<char>::length(text);
    if (node.value.data() < text || node.value.data() + node.value.size() > text + length)
        return element_signature(node.element) + "/#(not within the element's text)";
    std::size_t start = static_cast<std::size_t>(node.value.data() - text);
    int gap = 0;
    for (const XmlElement* child = node.element->first_child; child; child = child->next_in_order)
        gap += child->offset <= start;
    return element_signature(node.element) + "/#" + std::to_string(gap);
}

std::string signature(const SelectMatch& node) {
    switch (node.kind) {
        case NodeKind::root:
            return "/";
        case NodeKind::element:
            return element_signature(node.element);
        case NodeKind::attribute:
            return element_signature(node.element) + "/@" + node.name;
        case NodeKind::text:
            return text_signature(node);
    }
    return "?";
}

std::string node_string_value(const SelectMatch& node) {
    if (node.kind == NodeKind::root || node.kind == NodeKind::element)
        return string_value(node.element);
    return std::string(node.value);
}

}  // namespace

XmlsliceDocument::XmlsliceDocument(const std::string& text) : buffer_(text.begin(), text.end()) {
    buffer_.push_back('\0');
    root_ = parse_buffer(buffer_.data(), text.size());
    for (const PrefixBinding& binding : expression_prefixes)
        bindings_.bind_prefix(binding.prefix, binding.uri);
    bindings_.set_number("num", number_variable_value);
    bindings_.set_string("str", string_variable_value);
}

bool XmlsliceDocument::parsed() const {
    return root_ && *document_error_text(root_.get()) == '\0';
}

Answer XmlsliceDocument::evaluate(const std::string& expression) {
    Answer answer;
    SelectError error;
    Select query = Select::compile(expression, bindings_, &error);
    if (!query) {
        answer.string = error.message + " at column " + std::to_string(error.column);
        return answer;
    }
    query.run_from_document(root_.get(), result_, bindings_);
    if (result_.failed()) {
        answer.string = std::string(result_.error());
        return answer;
    }
    if (result_.is_node_set()) {
        answer.kind = Answer::Kind::node_set;
        for (const SelectMatch& node : result_.matches()) {
            answer.nodes.push_back(signature(node));
            answer.values.push_back(node_string_value(node));
        }
        return answer;
    }
    switch (result_.kind()) {
        case SelectKind::boolean:
            answer.kind = Answer::Kind::boolean;
            answer.boolean = result_.boolean();
            break;
        case SelectKind::number:
            answer.kind = Answer::Kind::number;
            answer.number = result_.number();
            break;
        default:
            answer.kind = Answer::Kind::string;
            answer.string = std::string(result_.string());
    }
    return answer;
}

}  // namespace differential
