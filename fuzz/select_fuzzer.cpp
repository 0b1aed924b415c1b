// The input is an expression, up to its first newline, and a document, the
// rest. The expression is compiled with prefixes and variables bound (a
// node-set variable among them) and run from the root node and from the
// first elements; so are queries for names absent from the document, of a
// length the input picks. Every node-set must be in document order without
// duplicates, every node must belong to the document, a compile error must
// carry a message and a column within the expression, and running twice
// into the same result must give the same value.
#include <cmath>
#include <cstring>
#include <map>
#include <utility>

#include "fuzz_support.hpp"
#include "xmlslice_select.hpp"

using namespace xmlslice;
using xmlslice::fuzz::fail;

namespace {

constexpr std::size_t max_expression = 512;
constexpr std::size_t max_contexts = 4;

// Document order of every node, as positions: the root node first, then
// each element, its attributes (which share its position plus one: their
// order among themselves is the engine's), then its runs of text between
// its children, each run known by its start in the element's text.
class DocumentOrder {
  public:
    explicit DocumentOrder(XmlElement* root) {
        std::size_t next = 1;
        // A walk with an explicit stack: inputs nest deeper than any call
        // stack.
        std::vector<std::pair<XmlElement*, XmlElement*>> stack;  // element, next child
        if (root) stack.push_back({root, nullptr});
        std::vector<std::size_t> run_start;  // per stack entry: where its pending run starts
        run_start.push_back(0);
        if (root) {
            elements_[root] = next;
            next += 2;
            stack.back().second = root->first_child;
        }
        while (!stack.empty()) {
            XmlElement* element = stack.back().first;
            XmlElement* child = stack.back().second;
            std::size_t end = child ? child->offset : std::strlen(element->text);
            std::size_t& start = run_start.back();
            if (end > start) texts_[{element, start}] = next++;
            start = end;
            if (!child) {
                stack.pop_back();
                run_start.pop_back();
                continue;
            }
            stack.back().second = child->next_in_order;
            elements_[child] = next;
            next += 2;
            stack.push_back({child, child->first_child});
            run_start.push_back(0);
        }
    }

    // 0 for a node this document does not have, and for the root node,
    // which comes before all others.
    std::size_t position(const SelectMatch& node) const {
        switch (node.kind) {
            case NodeKind::root:
                return 0;
            case NodeKind::element:
                return found(elements_, node.element);
            case NodeKind::attribute: {
                std::size_t at = found(elements_, node.element);
                return at ? at + 1 : 0;
            }
            case NodeKind::text: {
                if (!node.element) return 0;
                const char* text = node.element->text;
                if (node.value.data() < text || node.value.data() > text + std::strlen(text))
                    return 0;
                auto it = texts_.find({node.element, std::size_t(node.value.data() - text)});
                return it == texts_.end() ? 0 : it->second;
            }
        }
        return 0;
    }

  private:
    template <class Map, class Key>
    static std::size_t found(const Map& map, const Key& key) {
        auto it = map.find(key);
        return it == map.end() ? 0 : it->second;
    }

    std::map<const XmlElement*, std::size_t> elements_;
    std::map<std::pair<const XmlElement*, std::size_t>, std::size_t> texts_;
};

void check_node_set(const SelectResult& result, const DocumentOrder& order, XmlElement* root,
                    const std::string& expression) {
    std::size_t before = 0;
    const char* before_name = nullptr;
    bool first = true;
    for (const SelectMatch& node : result.matches()) {
        std::size_t at = order.position(node);
        if (node.kind == NodeKind::root) {
            if (node.element != root || !first) fail("the root node out of place", expression);
            first = false;
            continue;
        }
        if (at == 0) fail("a node the document does not have", expression);
        if (node.kind == NodeKind::attribute && !node.name) fail("an attribute without a name");
        bool same_attribute_owner = node.kind == NodeKind::attribute && at == before &&
                                    before_name && std::strcmp(before_name, node.name) != 0;
        if (!first && at <= before && !same_attribute_owner)
            fail("a node-set out of document order or with a duplicate", expression);
        before = at;
        before_name = node.kind == NodeKind::attribute ? node.name : nullptr;
        first = false;
    }
}

// A value as text, to compare two runs.
std::string value_of(const SelectResult& result) {
    if (result.failed()) return "error " + std::string(result.error());
    std::string text = std::to_string(static_cast<int>(result.kind())) + " " +
                       std::string(result.string()) + (result.boolean() ? " true " : " false ");
    double number = result.number();
    text += std::isnan(number) ? "NaN" : std::to_string(number);
    for (const SelectMatch& node : result.matches())
        text += " " + std::to_string(reinterpret_cast<std::uintptr_t>(node.element)) + "/" +
                std::to_string(static_cast<int>(node.kind)) + "/" + (node.name ? node.name : "");
    return text;
}

void run_everywhere(const Select& query, const std::string& expression, XmlElement* root,
                    const std::vector<XmlElement*>& contexts, const SelectBindings& bindings,
                    const DocumentOrder& order) {
    SelectResult result;
    query.run_from_document(root, result, bindings);
    if (result.is_node_set()) check_node_set(result, order, root, expression);
    std::string first = value_of(result);
    query.run_from_document(root, result, bindings);
    if (value_of(result) != first) fail("a second run differs", expression);
    for (XmlElement* context : contexts) {
        query.run(context, result, bindings);
        if (result.is_node_set()) check_node_set(result, order, root, expression);
    }
}

bool has_name(const std::vector<XmlElement*>& elements, const std::string& name) {
    for (XmlElement* element : elements) {
        std::string element_name = element->name ? element->name : "";
        std::size_t colon = element_name.find(':');
        if (element_name == name || (colon != std::string::npos &&
                                     element_name.compare(colon + 1, std::string::npos, name) == 0))
            return true;
        if (element_attribute_value(element, name.c_str())) return true;
        for (const auto& attribute : attributes(element)) {
            std::size_t at = attribute.first.find(':');
            if (at != std::string_view::npos && attribute.first.substr(at + 1) == name) return true;
        }
    }
    return false;
}

// Queries for a name the document does not have find nothing.
void check_absent_name(const std::string& absent, XmlElement* root,
                       const SelectBindings& bindings) {
    SelectError error;
    for (const std::string& probe : {"//" + absent, "//@" + absent, "count(//*[" + absent + "])",
                                     "//*[@" + absent + "='v']", "//p:" + absent}) {
        Select query = Select::compile(probe, bindings, &error);
        if (!query) fail("a query for an absent name is refused", probe + ": " + error.message);
        SelectResult result;
        query.run_from_document(root, result, bindings);
        if (result.failed() || (result.is_node_set() && !result.empty()) ||
            (!result.is_node_set() && result.number() != 0))
            fail("an absent name was found", probe);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const char* newline = static_cast<const char*>(std::memchr(bytes, '\n', size));
    std::size_t split = newline ? static_cast<std::size_t>(newline - bytes) : size;
    if (split > max_expression) return 0;
    std::string expression(bytes, split);
    std::string document = newline ? std::string(newline + 1, bytes + size) : std::string("<r/>");

    fuzz::Parsed parsed(document);
    XmlElement* root = parsed.root;
    std::vector<XmlElement*> elements = fuzz::elements_under(root);
    std::vector<XmlElement*> contexts(elements.begin(),
                                      elements.begin() + std::min(elements.size(), max_contexts));
    DocumentOrder order(root);

    SelectBindings bindings;
    bindings.bind_prefix("p", "urn:p");
    bindings.set_string("s", "a b");
    bindings.set_number("n", 2);
    bindings.set_boolean("b", true);
    bindings.set_elements("e", elements.data(), elements.size() < 3 ? elements.size() : 3);

    SelectError error;
    Select query = Select::compile(expression, bindings, &error);
    if (!query) {
        if (error.message.empty()) fail("a refused expression without a message", expression);
        if (error.column < 1 || error.column > expression.size() + 1)
            fail("a column outside the expression",
                 expression + " @" + std::to_string(error.column));
    } else {
        run_everywhere(query, expression, root, contexts, bindings, order);
    }

    // A name of a length the input picks, which the document may not have.
    std::string absent(split % 300 + 1, 'q');
    absent[0] = 'z';
    if (!has_name(elements, absent)) check_absent_name(absent, root, bindings);
    return 0;
}
