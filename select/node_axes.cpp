#include "select/node_axes.hpp"

#include <cstring>

namespace xmlslice::detail {

namespace {

// A name test without a bound prefix: the QName as written. The first byte
// tells most names apart.
bool is_plain_name(const char* name, const char* wanted) {
    return name[0] == wanted[0] && std::strcmp(name, wanted) == 0;
}

}  // namespace

// Takes the nodes that pass the test until the limit. A walk may also tell
// it the depth of each node, so that it can tell whether a node it took lies
// inside another it took, and may watch a list of nodes in document order,
// moving past each one the walk meets.
struct NodeAxes::Sink {
    static constexpr std::size_t NO_DEPTH = ~std::size_t(0);

    const NodeAxes& axes;
    const NodeTest& test;
    Buffer<Node>& out;
    std::size_t limit;
    bool texts;  // text nodes can pass
    bool done = false;
    bool oom = false;
    bool nested = false;                // a node taken lies inside another taken
    std::size_t open_depth = NO_DEPTH;  // depth of the last element taken, while open
    const Node* watch = nullptr;
    std::size_t watch_count = 0;
    std::size_t watch_at = 0;
    const AttributeCondition* condition = nullptr;
    // Walks offer every element: a plain name test is checked here, not
    // through the general test.
    const char* plain_name;

    Sink(const NodeAxes& of, const NodeTest& node_test, Buffer<Node>& into, std::size_t most)
        : axes(of),
          test(node_test),
          out(into),
          limit(most),
          texts(passes_text(node_test)),
          plain_name(node_test.kind == TestKind::name && !node_test.by_uri ? node_test.name.c_str()
                                                                           : nullptr) {}

    // Takes a node that passed its test already; false when no more are wanted.
    bool take(const Node& node) {
        if (done) return false;
        if (!out.push_back(node)) {
            oom = done = true;
            return false;
        }
        if (limit && out.size() >= limit) done = true;
        return !done;
    }

    // False when no more nodes are wanted.
    bool offer(const Node& node, std::size_t depth = 0) {
        if (done) return false;
        if (watch_at < watch_count && watch[watch_at].element == node.element &&
            node.kind == NodeKind::element)
            ++watch_at;
        if (open_depth != NO_DEPTH && depth <= open_depth) open_depth = NO_DEPTH;
        bool passed = plain_name && node.kind == NodeKind::element
                          ? node.element->name && is_plain_name(node.element->name, plain_name)
                          : axes.passes(test, node);
        if (!passed) return true;
        if (condition && !axes.meets(*condition, node)) return true;
        if (!out.push_back(node)) {
            oom = done = true;
            return false;
        }
        if (open_depth != NO_DEPTH) nested = true;
        if (node.kind == NodeKind::element || node.kind == NodeKind::root) open_depth = depth;
        if (limit && out.size() >= limit) done = true;
        return !done;
    }
};

bool name_passes(const NodeTest& test, const char* name, const XmlElement* scope, bool attribute) {
    if (!name) return false;
    if (test.kind == TestKind::any_name) return true;
    if (!test.by_uri) {
        if (test.kind == TestKind::name) return is_plain_name(name, test.name.c_str());
        std::size_t length = test.name.size();
        return std::strncmp(name, test.name.c_str(), length) == 0 && name[length] == ':';
    }
    const char* colon = std::strchr(name, ':');
    std::string_view prefix = colon ? std::string_view(name, colon - name) : std::string_view();
    std::string_view local = colon ? colon + 1 : name;
    if (test.kind == TestKind::name && local != test.local) return false;
    // An attribute without a prefix is in no namespace.
    if (attribute && prefix.empty()) return false;
    const char* uri = namespace_uri_in_scope(scope, prefix);
    return uri && test.uri == uri;
}

bool NodeAxes::passes_element(const NodeTest& test, XmlElement* element) const {
    switch (test.kind) {
        case TestKind::name:
        case TestKind::prefix_any:
            return name_passes(test, element->name, element, false);
        case TestKind::any_name:
        case TestKind::node:
        case TestKind::container:
            return true;
        default:
            return false;
    }
}

bool NodeAxes::passes_attribute(const NodeTest& test, XmlElement* owner, const char* name) const {
    switch (test.kind) {
        case TestKind::name:
        case TestKind::prefix_any:
            return name_passes(test, name, owner, true);
        case TestKind::any_name:
        case TestKind::node:
            return true;
        default:
            return false;
    }
}

bool NodeAxes::passes(const NodeTest& test, const Node& node) const {
    switch (node.kind) {
        case NodeKind::root:
            return test.kind == TestKind::node || test.kind == TestKind::container;
        case NodeKind::element:
            return passes_element(test, node.element);
        case NodeKind::text:
            return passes_text(test);
        case NodeKind::attribute:
            // Off the attribute axis an attribute is not of the principal type.
            return test.kind == TestKind::node;
    }
    return false;
}

bool NodeAxes::collect(const Node& context, Axis axis, const NodeTest& test, Buffer<Node>& out,
                       std::size_t limit) {
    if (test.kind == TestKind::nothing) return true;
    Sink sink(*this, test, out, limit);
    switch (axis) {
        case Axis::child:
            children(context, sink);
            break;
        case Axis::descendant:
            descendants(context, sink);
            break;
        case Axis::descendant_or_self:
            if (sink.offer(context)) descendants(context, sink);
            break;
        case Axis::self:
            sink.offer(context);
            break;
        case Axis::attribute:
            attributes_of(context, sink);
            break;
        case Axis::parent:
        case Axis::ancestor:
        case Axis::ancestor_or_self:
            ancestors(context, axis, sink);
            break;
        case Axis::following_sibling:
            following_siblings(context, sink);
            break;
        case Axis::preceding_sibling:
            preceding_siblings(context, sink);
            break;
        case Axis::following:
            following(context, sink);
            break;
        case Axis::preceding:
            preceding(context, sink);
            break;
        case Axis::namespace_axis:
            break;  // the tree keeps no namespace nodes
    }
    return !sink.oom;
}

void NodeAxes::children(const Node& context, Sink& sink) {
    if (context.kind == NodeKind::root) {
        if (has_root_element(top_)) sink.offer(element_node(top_));
        return;
    }
    if (context.kind != NodeKind::element) return;
    XmlElement* parent = context.element;
    if (sink.test.kind == TestKind::name && !sink.test.by_uri) {
        // The children of one name are a chain of their own.
        for (XmlElement* child = element_first_named(parent, sink.test.name.c_str()); child;
             child = child->next_same_name)
            if (!sink.offer(element_node(child))) return;
        return;
    }
    content_from(TextCursor::of(parent), parent->first_child, false, sink);
}

void NodeAxes::descendants(const Node& context, Sink& sink) {
    if (context.kind == NodeKind::root) {
        if (!has_root_element(top_) || !sink.offer(element_node(top_))) return;
        content_from(TextCursor::of(top_), top_->first_child, true, sink);
    } else if (context.kind == NodeKind::element) {
        content_from(TextCursor::of(context.element), context.element->first_child, true, sink);
    }
}

void NodeAxes::attributes_of(const Node& context, Sink& sink) {
    if (context.kind != NodeKind::element) return;
    XmlElement* owner = context.element;
    const NodeTest& test = sink.test;
    if (test.kind == TestKind::name && !test.by_uri) {
        FoundAttribute found = attributes_.find(owner, test.name.c_str());
        if (found.name) sink.take(attribute_node(owner, found));
        return;
    }
    if (test.kind != TestKind::name && test.kind != TestKind::prefix_any &&
        test.kind != TestKind::any_name && test.kind != TestKind::node)
        return;
    bool oom = false;
    attributes_.for_each(
        owner,
        [&](const FoundAttribute& found) {
            return !passes_attribute(test, owner, found.name) ||
                   sink.take(attribute_node(owner, found));
        },
        oom);
    if (oom) sink.oom = true;
}

void NodeAxes::ancestors(const Node& context, Axis axis, Sink& sink) {
    if (axis == Axis::ancestor_or_self && !sink.offer(context)) return;
    if (context.kind == NodeKind::root) return;
    XmlElement* up = context.kind == NodeKind::element ? context.element->parent : context.element;
    for (; up; up = up->parent) {
        if (!sink.offer(element_node(up))) return;
        if (axis == Axis::parent) return;
    }
    sink.offer(root_node(top_));
}

void NodeAxes::following_siblings(const Node& context, Sink& sink) {
    if (context.kind == NodeKind::element) {
        XmlElement* parent = context.element->parent;
        if (!parent) return;
        TextCursor cursor = TextCursor::of(parent);
        cursor.at = cursor.clamp(context.element->offset);
        content_from(cursor, context.element->next_in_order, false, sink);
    } else if (context.kind == NodeKind::text) {
        TextCursor cursor = TextCursor::of(context.element);
        cursor.at = static_cast<std::size_t>(context.value - cursor.text) + context.length;
        content_from(cursor, context.after, false, sink);
    }
}

void NodeAxes::following(const Node& context, Sink& sink) {
    XmlElement* node = context.element;
    if (context.kind == NodeKind::root) return;
    if (context.kind == NodeKind::attribute) {
        content_from(TextCursor::of(node), node->first_child, true, sink);
    } else if (context.kind == NodeKind::text) {
        TextCursor cursor = TextCursor::of(node);
        cursor.at = static_cast<std::size_t>(context.value - cursor.text) + context.length;
        content_from(cursor, context.after, true, sink);
    }
    // From here on: what follows node's subtree, level by level upward.
    for (; node->parent && !sink.done; node = node->parent) {
        TextCursor cursor = TextCursor::of(node->parent);
        cursor.at = cursor.clamp(node->offset);
        content_from(cursor, node->next_in_order, true, sink);
    }
}

void NodeAxes::preceding_siblings(const Node& context, Sink& sink) {
    if (context.kind != NodeKind::element && context.kind != NodeKind::text) return;
    XmlElement* parent = context.kind == NodeKind::text ? context.element : context.element->parent;
    if (!parent) return;
    segment_.clear();
    Sink segment(*this, sink.test, segment_, 0);
    content_from(TextCursor::of(parent), parent->first_child, false, segment, &context);
    if (segment.oom) sink.oom = true;
    for (std::size_t k = segment_.size(); k-- > 0 && !sink.done;) sink.offer(segment_[k]);
}

void NodeAxes::preceding(const Node& context, Sink& sink) {
    if (context.kind == NodeKind::root) return;
    // Before an attribute is what comes before its element, which is its parent.
    Node at = context.kind == NodeKind::attribute ? element_node(context.element) : context;
    for (;;) {
        XmlElement* parent = at.kind == NodeKind::text ? at.element : at.element->parent;
        if (!parent) return;
        // Each level's part comes before the part of the level below, so
        // nearest first is each part reversed, from the bottom up.
        segment_.clear();
        Sink segment(*this, sink.test, segment_, 0);
        content_from(TextCursor::of(parent), parent->first_child, true, segment, &at);
        if (segment.oom) {
            sink.oom = true;
            return;
        }
        for (std::size_t k = segment_.size(); k-- > 0;)
            if (!sink.offer(segment_[k])) return;
        at = element_node(parent);
    }
}

void NodeAxes::content_from(TextCursor cursor, XmlElement* child, bool deep, Sink& sink,
                            const Node* stop_at) {
    // Where to stop: before an element, or at a text node.
    XmlElement* stop_element = nullptr;
    const char* stop_text = nullptr;
    if (stop_at && stop_at->kind == NodeKind::element) stop_element = stop_at->element;
    if (stop_at && stop_at->kind == NodeKind::text) {
        // Without texts, the child after the run is where to stop.
        if (sink.texts) {
            stop_text = stop_at->value;
        } else {
            stop_element = stop_at->after;
        }
    }
    XmlElement* parent = cursor.element;
    if (!sink.texts) {
        // Elements only: no text is read.
        XmlElement* node = child;
        std::size_t depth = 1;
        while (node) {
            if (node == stop_element) return;
            if (!sink.offer(element_node(node), depth)) return;
            if (deep && node->first_child) {
                node = node->first_child;
                ++depth;
                continue;
            }
            while (!node->next_in_order) {
                node = node->parent;
                --depth;
                if (node == parent) return;
            }
            node = node->next_in_order;
        }
        return;
    }
    stack_.clear();
    if (!stack_.push_back(cursor)) {
        sink.oom = true;
        return;
    }
    XmlElement* next = child;
    for (;;) {
        TextCursor& level = stack_.back();
        std::string_view run = next ? level.run_before(next) : level.rest();
        if (!run.empty()) {
            if (run.data() == stop_text) return;
            if (!sink.offer(text_node(level.element, run, next), stack_.size())) return;
        }
        if (next) {
            if (next == stop_element) return;
            if (!sink.offer(element_node(next), stack_.size())) return;
            if (deep) {
                if (!stack_.push_back(TextCursor::of(next))) {
                    sink.oom = true;
                    return;
                }
                next = next->first_child;
            } else {
                next = next->next_in_order;
            }
            continue;
        }
        XmlElement* finished = stack_.back().element;
        stack_.pop_back();
        if (stack_.empty()) return;
        next = finished->next_in_order;
    }
}

}  // namespace xmlslice::detail

namespace xmlslice::detail {

bool NodeAxes::meets(const AttributeCondition& condition, const Node& node) const {
    if (node.kind != NodeKind::element) return false;
    FoundAttribute found = attributes_.find(node.element, condition.name);
    if (!found.name) return false;
    return !condition.literal ||
           (std::strcmp(found.value, condition.literal) == 0) == condition.equal;
}

bool NodeAxes::descend_once(const Buffer<Node>& contexts, bool or_self, const NodeTest& test,
                            const AttributeCondition* condition, Buffer<Node>& out, bool& flat,
                            bool& ordered) {
    flat = true;
    ordered = true;
    if (test.kind == TestKind::nothing) return true;
    // The elements (and the root) among the contexts, whose subtrees are walked.
    containers_.clear();
    for (const Node& context : contexts) {
        if (context.kind == NodeKind::root || context.kind == NodeKind::element) {
            if (!containers_.push_back(context)) return false;
        } else if (or_self && passes(test, context) && !condition) {
            // A text or attribute is its own descendant-or-self; where it
            // falls among the walks is left to a sort.
            if (!out.push_back(context)) return false;
            ordered = false;
        }
    }
    Sink sink(*this, test, out, 0);
    sink.condition = condition;
    sink.watch = containers_.data();
    sink.watch_count = containers_.size();
    while (sink.watch_at < containers_.size()) {
        // Contexts inside this one's subtree are met by its walk and skipped.
        const Node context = containers_[sink.watch_at++];
        sink.open_depth = Sink::NO_DEPTH;
        if (or_self && !sink.offer(context, 0)) break;
        if (context.kind == NodeKind::root) {
            if (!has_root_element(top_)) continue;
            if (!sink.offer(element_node(top_), 1)) break;
            // Below the root element, depths are one more than content_from says.
            sink.open_depth = sink.open_depth == 1 ? 0 : sink.open_depth;
            content_from(TextCursor::of(top_), top_->first_child, true, sink);
        } else {
            content_from(TextCursor::of(context.element), context.element->first_child, true, sink);
        }
        if (sink.done) break;
    }
    flat = !sink.nested;
    return !sink.oom;
}

}  // namespace xmlslice::detail
