// The thirteen axes over the tree's nodes, each with a node test. Nodes
// come in the axis's order (nearest first on the reverse axes), and no
// walk recurses: content is walked with explicit stacks and parent links.
#ifndef XMLSLICE_SELECT_NODE_AXES_HPP
#define XMLSLICE_SELECT_NODE_AXES_HPP

#include "select/buffer.hpp"
#include "select/character_data.hpp"
#include "select/nodes.hpp"
#include "select/select_program.hpp"

namespace xmlslice::detail {

// A predicate on attributes that a walk can test as it goes: the element
// has the attribute (literal null), or its value equals (or, when !equal,
// differs from) literal.
struct AttributeCondition {
    const char* name;
    const char* literal;
    bool equal;
};

class NodeAxes {
  public:
    NodeAxes(XmlElement* top, AttributeLookup& attributes) : top_(top), attributes_(attributes) {}

    // Appends to out the nodes of axis from context that pass test, at most
    // limit of them (0: all; the reverse axes may give more). False when out
    // of memory.
    bool collect(const Node& context, Axis axis, const NodeTest& test, Buffer<Node>& out,
                 std::size_t limit = 0);

    // descendant:: (or descendant-or-self:: when or_self) from every node of
    // contexts, a set in document order: each subtree is walked once however
    // the contexts nest. flat says whether no node of out lies inside
    // another; ordered whether out is in document order.
    // Only nodes that meet condition, when given, are taken.
    bool descend_once(const Buffer<Node>& contexts, bool or_self, const NodeTest& test,
                      const AttributeCondition* condition, Buffer<Node>& out, bool& flat,
                      bool& ordered);
    bool meets(const AttributeCondition& condition, const Node& node) const;

    bool passes_element(const NodeTest& test, XmlElement* element) const;
    bool passes_attribute(const NodeTest& test, XmlElement* owner, const char* name) const;
    static bool passes_text(const NodeTest& test) {
        return test.kind == TestKind::text || test.kind == TestKind::node;
    }
    bool passes(const NodeTest& test, const Node& node) const;

    XmlElement* top() const { return top_; }
    AttributeLookup& attributes() { return attributes_; }
    Buffer<TextCursor>& text_stack() { return stack_; }

  private:
    struct Sink;

    void children(const Node& context, Sink& sink);
    void descendants(const Node& context, Sink& sink);
    void attributes_of(const Node& context, Sink& sink);
    void ancestors(const Node& context, Axis axis, Sink& sink);
    void following_siblings(const Node& context, Sink& sink);
    void preceding_siblings(const Node& context, Sink& sink);
    void following(const Node& context, Sink& sink);
    void preceding(const Node& context, Sink& sink);
    // P's content from cursor and child on, each child with its subtree
    // when deep; stops when the sink is full or at stop_at.
    void content_from(TextCursor cursor, XmlElement* child, bool deep, Sink& sink,
                      const Node* stop_at = nullptr);

    XmlElement* top_;
    AttributeLookup& attributes_;
    Buffer<TextCursor> stack_;
    Buffer<Node> segment_;
    Buffer<Node> containers_;
};

// Whether qualified name matches a name test written as test (prefix
// included), or, when the prefix is bound, by namespace URI and local part.
bool name_passes(const NodeTest& test, const char* name, const XmlElement* scope, bool attribute);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_NODE_AXES_HPP
