#include "select/evaluator.hpp"

#include <cmath>
#include <cstring>
#include <new>

#include "select/subtree_walk.hpp"
#include "select/xpath_number.hpp"

namespace xmlslice::detail {

namespace {

// Node-sets compared pairwise up to this many pairs, through a table beyond.
constexpr std::size_t FEW_PAIRS = 1024;

Value number_value(double number) {
    Value value;
    value.kind = ValueKind::number;
    value.number = number;
    return value;
}

Value boolean_value(bool boolean) {
    Value value;
    value.kind = ValueKind::boolean;
    value.boolean = boolean;
    return value;
}

Value nodes_value(NodeSet* set) {
    Value value;
    value.kind = ValueKind::nodes;
    value.set = set;
    return value;
}

bool relation_holds(Op op, double a, double b) {
    switch (op) {
        case Op::less:
            return a < b;
        case Op::less_equal:
            return a <= b;
        case Op::greater:
            return a > b;
        case Op::greater_equal:
            return a >= b;
        case Op::equal:
            return a == b;
        default:
            return a != b;
    }
}

// The operator seen from the other side: a < b is b > a.
Op mirrored(Op op) {
    switch (op) {
        case Op::less:
            return Op::greater;
        case Op::less_equal:
            return Op::greater_equal;
        case Op::greater:
            return Op::less;
        case Op::greater_equal:
            return Op::less_equal;
        default:
            return op;
    }
}

bool is_equality(Op op) {
    return op == Op::equal || op == Op::not_equal;
}

}  // namespace

SelectScratch::~SelectScratch() {
    for (NodeSet* set : sets) {
        set->~NodeSet();
        std::free(set);
    }
    for (EqualityCache* cache : equality) {
        cache->~EqualityCache();
        std::free(cache);
    }
}

Evaluator::Evaluator(const SelectProgram& program, SelectScratch& scratch, XmlElement* top)
    : program_(program), scratch_(scratch), top_(top), axes_(top, scratch.attributes) {}

bool Evaluator::fail(const char* message) {
    if (!error_) error_ = message;
    return false;
}

bool Evaluator::fail_naming(const char* before, std::string_view name, const char* after) {
    if (error_) return false;
    Buffer<char>& text = scratch_.message;
    text.clear();
    bool ok = text.append(before, std::strlen(before)) && text.append(name.data(), name.size()) &&
              text.append(after, std::strlen(after) + 1);
    error_ = ok ? text.data() : "out of memory";
    return false;
}

NodeSet* Evaluator::acquire() {
    NodeSet* set = nullptr;
    if (!scratch_.free_sets.empty()) {
        set = scratch_.free_sets.back();
        scratch_.free_sets.pop_back();
    } else {
        // The free list keeps room for every set, so releasing never fails.
        std::size_t count = scratch_.sets.size() + 1;
        if (!scratch_.sets.reserve(count) || !scratch_.free_sets.reserve(count)) return nullptr;
        void* memory = std::calloc(1, sizeof(NodeSet));
        if (!memory) return nullptr;
        set = new (memory) NodeSet();
        scratch_.sets.push_back(set);
    }
    set->nodes.clear();
    set->ordered = true;
    set->flat = true;
    return set;
}

void Evaluator::release(Value& value) {
    if (value.kind == ValueKind::nodes && value.set && !value.borrowed)
        scratch_.free_sets.push_back(value.set);
    value.set = nullptr;
}

bool Evaluator::sort(NodeSet& set) {
    if (!scratch_.order.sort(set.nodes, top_)) return out_of_memory();
    set.ordered = true;
    set.flat = set.nodes.size() <= 1;
    return true;
}

bool Evaluator::evaluate(const Node& context, Value& out) {
    EvalContext start;
    start.node = context;
    if (!eval(program_.top, start, out)) {
        if (!error_) error_ = "out of memory";
        return false;
    }
    return true;
}

bool Evaluator::eval(std::uint32_t index, const EvalContext& context, Value& out) {
    const Expr& expr = program_.exprs[index];
    switch (expr.op) {
        case Op::number:
            out = number_value(expr.number);
            return true;
        case Op::string:
            out = Value();
            out.kind = ValueKind::string;
            out.string = expr.text;
            return true;
        case Op::variable:
            return eval_variable(expr, out);
        case Op::or_op:
        case Op::and_op:
            return eval_or_and(expr, context, out);
        case Op::equal:
        case Op::not_equal:
        case Op::less:
        case Op::less_equal:
        case Op::greater:
        case Op::greater_equal:
            if (expr.equality != EqualityPlan::none) return planned_equality(expr, context, out);
            return eval_comparison(expr, context, out);
        case Op::add:
        case Op::subtract:
        case Op::multiply:
        case Op::divide:
        case Op::modulo:
            return eval_arithmetic(expr, context, out);
        case Op::negate: {
            Value operand;
            double number = 0;
            if (!eval(expr.left, context, operand) || !to_number(operand, number)) return false;
            release(operand);
            out = number_value(-number);
            return true;
        }
        case Op::union_op:
            return eval_union(expr, context, out);
        case Op::path:
            return eval_path(program_.paths[expr.path], context, out);
        case Op::call:
            return eval_call(expr, context, out);
    }
    return fail("unknown expression");
}

bool Evaluator::eval_variable(const Expr& expr, Value& out) {
    out = scratch_.variables[expr.left];
    if (out.kind == ValueKind::nodes) out.borrowed = true;
    return true;
}

bool Evaluator::eval_or_and(const Expr& expr, const EvalContext& context, Value& out) {
    Value left;
    if (!eval(expr.left, context, left)) return false;
    bool truth = to_boolean(left);
    release(left);
    // or stops at the first true operand, and at the first false one.
    if (truth == (expr.op == Op::or_op)) {
        out = boolean_value(truth);
        return true;
    }
    Value right;
    if (!eval(expr.right, context, right)) return false;
    out = boolean_value(to_boolean(right));
    release(right);
    return true;
}

bool Evaluator::eval_comparison(const Expr& expr, const EvalContext& context, Value& out) {
    Value left;
    Value right;
    if (!eval(expr.left, context, left) || !eval(expr.right, context, right)) return false;
    bool result = false;
    if (!compare(expr.op, left, right, result)) return false;
    release(left);
    release(right);
    out = boolean_value(result);
    return true;
}

bool Evaluator::eval_arithmetic(const Expr& expr, const EvalContext& context, Value& out) {
    Value left;
    Value right;
    double a = 0;
    double b = 0;
    if (!eval(expr.left, context, left) || !to_number(left, a)) return false;
    release(left);
    if (!eval(expr.right, context, right) || !to_number(right, b)) return false;
    release(right);
    double result = 0;
    switch (expr.op) {
        case Op::add:
            result = a + b;
            break;
        case Op::subtract:
            result = a - b;
            break;
        case Op::multiply:
            result = a * b;
            break;
        case Op::divide:
            result = a / b;
            break;
        default:
            // XPath's mod truncates, as fmod does.
            result = std::fmod(a, b);
            break;
    }
    out = number_value(result);
    return true;
}

bool Evaluator::eval_union(const Expr& expr, const EvalContext& context, Value& out) {
    Value left;
    Value right;
    if (!eval(expr.left, context, left) || !eval(expr.right, context, right)) return false;
    if (left.kind != ValueKind::nodes || right.kind != ValueKind::nodes)
        return fail("'|' needs node-sets");
    if (right.set->nodes.empty() || left.set->nodes.empty()) {
        Value& kept = right.set->nodes.empty() ? left : right;
        Value& dropped = right.set->nodes.empty() ? right : left;
        release(dropped);
        out = kept;
        return true;
    }
    NodeSet* set = acquire();
    if (!set || !set->nodes.append(left.set->nodes.data(), left.set->nodes.size()) ||
        !set->nodes.append(right.set->nodes.data(), right.set->nodes.size()))
        return out_of_memory();
    release(left);
    release(right);
    if (!sort(*set)) return false;
    out = nodes_value(set);
    return true;
}

bool Evaluator::eval_path(const PathExpr& path, const EvalContext& context, Value& out) {
    NodeSet* set = nullptr;
    if (path.has_filter) {
        Value head;
        if (!eval(path.filter, context, head)) return false;
        if (head.kind != ValueKind::nodes) {
            return fail(path.filter_predicates.empty() ? "a path needs a node-set"
                                                       : "a predicate needs a node-set");
        }
        if (head.borrowed) {
            set = acquire();
            if (!set || !set->nodes.append(head.set->nodes.data(), head.set->nodes.size()))
                return out_of_memory();
            set->flat = head.set->flat;
        } else {
            set = head.set;
        }
        // A filter's predicates count in document order.
        if (!filter_all(set->nodes, path.filter_predicates)) return false;
    } else {
        set = acquire();
        if (!set || !set->nodes.push_back(path.absolute ? root_node(top_) : context.node))
            return out_of_memory();
    }
    for (const Step& step : path.steps)
        if (!apply_step(step, set)) return false;
    out = nodes_value(set);
    return true;
}

bool Evaluator::apply_step(const Step& step, NodeSet*& set) {
    // The '//' before a per-parent step leaves its work to that step.
    if (step.plan == StepPlan::fused) return true;
    NodeSet* next = acquire();
    if (!next) return out_of_memory();
    bool descends = step.axis == Axis::descendant || step.axis == Axis::descendant_or_self;
    bool ok = true;
    bool element_test = step.test.kind == TestKind::name ||
                        step.test.kind == TestKind::prefix_any ||
                        step.test.kind == TestKind::any_name;
    if (step.plan == StepPlan::per_parent) {
        ok = step_per_parent(step, *set, *next, true);
    } else if (step.axis == Axis::child && element_test && !set->flat) {
        ok = step_per_parent(step, *set, *next, false);
    } else if (descends && !step.positional()) {
        bool flat = true;
        bool ordered = true;
        // A first predicate on an attribute is tested during the walk.
        AttributeCondition condition{nullptr, nullptr, true};
        bool early = !step.predicates.empty() && attribute_condition(step.predicates[0], condition);
        ok = axes_.descend_once(set->nodes, step.axis == Axis::descendant_or_self, step.test,
                                early ? &condition : nullptr, next->nodes, flat, ordered);
        if (!ok) out_of_memory();
        ok = ok && filter_all(next->nodes, step.predicates, early ? 1 : 0);
        next->flat = flat;
        next->ordered = ordered;
    } else {
        ok = step_general(step, *set, *next);
    }
    Value old = nodes_value(set);
    release(old);
    set = next;
    if (!ok) return false;
    return set->ordered || sort(*set);
}

bool Evaluator::step_general(const Step& step, const NodeSet& in, NodeSet& out) {
    if (in.nodes.size() > 1 && !step.positional() && step_merged(step, in, out)) return !error_;
    if (error_) return false;
    NodeSet* candidates = acquire();
    if (!candidates) return out_of_memory();
    // [N] first: no context needs more than N nodes of the axis.
    std::size_t limit = 0;
    if (!step.predicates.empty() && step.predicates[0].plan == PredicatePlan::position) {
        double position = step.predicates[0].position;
        limit = position >= 1 && position < 1e15 ? static_cast<std::size_t>(position) : 1;
    }
    bool reverse = is_reverse(step.axis);
    for (const Node& context : in.nodes) {
        candidates->nodes.clear();
        if (!axes_.collect(context, step.axis, step.test, candidates->nodes, limit))
            return out_of_memory();
        if (!filter_all(candidates->nodes, step.predicates)) return false;
        Buffer<Node>& found = candidates->nodes;
        if (reverse)
            for (std::size_t a = 0, b = found.size(); a + 1 < b; ++a, --b) {
                Node swap = found[a];
                found[a] = found[b - 1];
                found[b - 1] = swap;
            }
        if (!out.nodes.append(found.data(), found.size())) return out_of_memory();
    }
    Value used = nodes_value(candidates);
    release(used);
    Axis axis = step.axis;
    bool one = in.nodes.size() <= 1;
    bool keeps_order = axis == Axis::child || axis == Axis::attribute || axis == Axis::self ||
                       axis == Axis::descendant || axis == Axis::descendant_or_self;
    out.ordered = one || axis == Axis::self || axis == Axis::attribute || (in.flat && keeps_order);
    bool leaves = axis == Axis::attribute || step.test.kind == TestKind::text;
    bool within = axis == Axis::child || axis == Axis::self || axis == Axis::attribute;
    out.flat = leaves || (within && (one || in.flat)) || (one && axis == Axis::parent);
    return true;
}

// Without positions, a step's nodes from many contexts are the union of
// each context's, and on these axes the union is what a few of the
// contexts give: following:: of the context whose subtree ends first,
// preceding:: of the last, the siblings of the first (or last) context
// under each parent, and ancestors up to where another context's walk
// already went. So none of these walks more than the document once.
// False when the axis is not one of these (error_ is set on failure).
bool Evaluator::step_merged(const Step& step, const NodeSet& in, NodeSet& out) {
    const Buffer<Node>& contexts = in.nodes;
    std::size_t count = contexts.size();
    auto collect = [&](const Node& context) {
        std::size_t begin = out.nodes.size();
        if (!axes_.collect(context, step.axis, step.test, out.nodes)) return out_of_memory();
        if (is_reverse(step.axis)) {
            for (std::size_t a = begin, b = out.nodes.size(); a + 1 < b; ++a, --b) {
                Node swap = out.nodes[a];
                out.nodes[a] = out.nodes[b - 1];
                out.nodes[b - 1] = swap;
            }
        }
        return true;
    };
    // The element whose children hold node, as the sibling axes see it.
    auto parent_of = [](const Node& node) -> XmlElement* {
        if (node.kind == NodeKind::text) return node.element;
        return node.kind == NodeKind::element ? node.element->parent : nullptr;
    };
    PointerSet seen;
    bool added = false;
    switch (step.axis) {
        case Axis::following: {
            // Each context inside the one before it ends sooner.
            std::size_t best = 0;
            for (std::size_t k = 1; k < count; ++k) {
                const Node& holder = contexts[best];
                if (holder.kind != NodeKind::root && holder.kind != NodeKind::element) break;
                const Node& next = contexts[k];
                XmlElement* up =
                    next.kind == NodeKind::element ? next.element->parent : next.element;
                bool inside = holder.kind == NodeKind::root;
                for (; up && !inside; up = up->parent) inside = up == holder.element;
                if (!inside) break;
                best = k;
            }
            if (!collect(contexts[best])) return true;
            out.ordered = true;
            break;
        }
        case Axis::preceding:
            if (!collect(contexts[count - 1])) return true;
            out.ordered = true;
            break;
        case Axis::following_sibling:
        case Axis::preceding_sibling: {
            if (!seen.clear()) return out_of_memory(), true;
            bool forward = step.axis == Axis::following_sibling;
            for (std::size_t k = 0; k < count; ++k) {
                const Node& context = contexts[forward ? k : count - 1 - k];
                XmlElement* parent = parent_of(context);
                if (!parent) continue;
                if (!seen.insert(parent, added)) return out_of_memory(), true;
                if (added && !collect(context)) return true;
            }
            out.ordered = false;
            break;
        }
        case Axis::parent:
        case Axis::ancestor:
        case Axis::ancestor_or_self: {
            if (!seen.clear()) return out_of_memory(), true;
            bool root_seen = false;
            for (const Node& context : contexts) {
                if (step.axis == Axis::ancestor_or_self && axes_.passes(step.test, context) &&
                    !out.nodes.push_back(context))
                    return out_of_memory(), true;
                if (context.kind == NodeKind::root) continue;
                XmlElement* up =
                    context.kind == NodeKind::element ? context.element->parent : context.element;
                // Whether the walk climbs past the root element to the root node.
                bool to_root = !up;
                bool one = step.axis == Axis::parent;
                for (bool more = up != nullptr; more; up = up->parent) {
                    if (!seen.insert(up, added)) return out_of_memory(), true;
                    if (added && axes_.passes_element(step.test, up) &&
                        !out.nodes.push_back(element_node(up)))
                        return out_of_memory(), true;
                    more = added && !one && up->parent;
                    to_root = added && !one && !up->parent;
                }
                if (to_root && !root_seen) {
                    root_seen = true;
                    Node root = root_node(top_);
                    if (axes_.passes(step.test, root) && !out.nodes.push_back(root))
                        return out_of_memory(), true;
                }
            }
            out.ordered = false;
            break;
        }
        default:
            return false;
    }
    out.flat = false;
    filter_all(out.nodes, step.predicates);
    return true;
}

// A child step by one walk over the subtrees of the contexts, emitting each
// parent's selected children as the walk meets them, so the nodes come in
// document order however the contexts nest. With every_element each element
// walked is a parent (the '//' before the step); otherwise only contexts.
bool Evaluator::step_per_parent(const Step& step, const NodeSet& in, NodeSet& out,
                                bool every_element) {
    NodeSet* selected = acquire();  // the children selected under each open parent
    NodeSet* candidates = acquire();
    if (!selected || !candidates) return out_of_memory();
    Buffer<ParentFrame> frames;
    bool ok = true;
    // [N] or [last()] alone on an element test: the child is counted out
    // of the parent's chain, with no list made.
    bool counted = step.predicates.size() == 1 && step.test.kind != TestKind::text &&
                   step.test.kind != TestKind::node &&
                   (step.predicates[0].plan == PredicatePlan::position ||
                    step.predicates[0].plan == PredicatePlan::last);
    auto count_out = [&](const Node& parent) {
        const Predicate& predicate = step.predicates[0];
        bool last = predicate.plan == PredicatePlan::last;
        double wanted = predicate.position;
        if (!last && (wanted < 1 || wanted != std::floor(wanted))) return true;
        if (parent.kind == NodeKind::root) {
            bool one = has_root_element(top_) && axes_.passes_element(step.test, top_);
            if (one && (last || wanted == 1))
                return candidates->nodes.push_back(element_node(top_)) || out_of_memory();
            return true;
        }
        XmlElement* chosen = nullptr;
        double seen = 0;
        for (XmlElement* child = parent.element->first_child; child; child = child->next_in_order) {
            if (!axes_.passes_element(step.test, child)) continue;
            chosen = child;
            if (!last && ++seen == wanted) break;
        }
        if (chosen && (last || seen == wanted) &&
            !candidates->nodes.push_back(element_node(chosen)))
            return out_of_memory();
        return true;
    };
    // Selects the children of parent and opens its frame.
    auto open = [&](const Node& parent) {
        candidates->nodes.clear();
        if (counted) {
            if (!count_out(parent)) return false;
        } else {
            if (!axes_.collect(parent, Axis::child, step.test, candidates->nodes))
                return out_of_memory();
            if (!filter_all(candidates->nodes, step.predicates)) return false;
        }
        std::size_t begin = selected->nodes.size();
        if (!selected->nodes.append(candidates->nodes.data(), candidates->nodes.size()) ||
            !frames.push_back({begin, selected->nodes.size(), begin}))
            return out_of_memory();
        return true;
    };
    std::size_t next_context = 0;
    while (ok && next_context < in.nodes.size()) {
        const Node context = in.nodes[next_context++];
        if (context.kind != NodeKind::root && context.kind != NodeKind::element) continue;
        frames.clear();
        selected->nodes.clear();
        XmlElement* start = context.element;
        bool start_is_context = context.kind == NodeKind::element;
        if (context.kind == NodeKind::root) {
            if (!open(context)) return false;
            if (!has_root_element(top_)) continue;
        }
        walk_subtree(
            start,
            [&](XmlElement* element, std::size_t) {
                if (!ok) return false;
                bool parent_here = every_element || (element == start && start_is_context);
                // Context nodes inside this walk are walked by it. Text and
                // attribute contexts have no children: passing over them keeps
                // the next element context in sight, so none is walked twice.
                while (next_context < in.nodes.size() &&
                       in.nodes[next_context].kind != NodeKind::element)
                    ++next_context;
                if (next_context < in.nodes.size() && in.nodes[next_context].element == element) {
                    ++next_context;
                    parent_here = true;
                }
                if (!frames.empty()) {
                    ParentFrame& parent = frames.back();
                    if (parent.next < parent.end &&
                        selected->nodes[parent.next].element == element) {
                        ++parent.next;
                        if (!out.nodes.push_back(element_node(element))) ok = out_of_memory();
                    }
                }
                if (!ok) return false;
                std::size_t end = selected->nodes.size();
                ok = parent_here ? open(element_node(element))
                                 : frames.push_back({end, end, end}) || out_of_memory();
                return ok;
            },
            [&](XmlElement*, std::size_t) {
                if (frames.empty()) return;
                selected->nodes.truncate(frames.back().begin);
                frames.pop_back();
            });
    }
    Value used = nodes_value(selected);
    release(used);
    used = nodes_value(candidates);
    release(used);
    out.ordered = true;
    out.flat = false;
    return ok;
}

bool Evaluator::attribute_condition(const Predicate& predicate, AttributeCondition& condition) {
    if (predicate.plan != PredicatePlan::has_attribute &&
        predicate.plan != PredicatePlan::attribute_equals)
        return false;
    condition.name = predicate.attribute.c_str();
    condition.literal =
        predicate.plan == PredicatePlan::attribute_equals ? predicate.literal.c_str() : nullptr;
    condition.equal = predicate.equal;
    return true;
}

bool Evaluator::filter_all(Buffer<Node>& nodes, const std::vector<Predicate>& predicates,
                           std::size_t first) {
    for (std::size_t k = first; k < predicates.size(); ++k) {
        if (nodes.empty()) return true;
        if (!filter(nodes, predicates[k])) return false;
    }
    return true;
}

bool Evaluator::filter(Buffer<Node>& nodes, const Predicate& predicate) {
    std::size_t size = nodes.size();
    if (predicate.plan == PredicatePlan::position) {
        double position = predicate.position;
        bool kept = position >= 1 && position <= static_cast<double>(size) &&
                    position == std::floor(position);
        if (kept) nodes[0] = nodes[static_cast<std::size_t>(position) - 1];
        nodes.truncate(kept ? 1 : 0);
        return true;
    }
    AttributeCondition condition{nullptr, nullptr, true};
    if (attribute_condition(predicate, condition)) {
        std::size_t kept = 0;
        for (std::size_t k = 0; k < size; ++k)
            if (axes_.meets(condition, nodes[k])) nodes[kept++] = nodes[k];
        nodes.truncate(kept);
        return true;
    }
    if (predicate.plan == PredicatePlan::last) {
        nodes[0] = nodes[size - 1];
        nodes.truncate(1);
        return true;
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < size; ++k) {
        EvalContext context;
        context.node = nodes[k];
        context.position = k + 1;
        context.size = size;
        bool holds = false;
        if (!predicate_holds(predicate, context, holds)) return false;
        if (holds) nodes[kept++] = nodes[k];
    }
    nodes.truncate(kept);
    return true;
}

bool Evaluator::predicate_holds(const Predicate& predicate, const EvalContext& context,
                                bool& holds) {
    Arena::Mark mark = scratch_.strings.mark();
    Value value;
    if (!eval(predicate.expr, context, value)) return false;
    // A number is a position; anything else counts as a boolean.
    holds = value.kind == ValueKind::number ? value.number == static_cast<double>(context.position)
                                            : to_boolean(value);
    release(value);
    scratch_.strings.release(mark);
    return true;
}

// Conversions.

bool Evaluator::to_boolean(const Value& value) {
    switch (value.kind) {
        case ValueKind::nodes:
            return !value.set->nodes.empty();
        case ValueKind::boolean:
            return value.boolean;
        case ValueKind::number:
            return value.number != 0 && !std::isnan(value.number);
        case ValueKind::string:
            return !value.string.empty();
    }
    return false;
}

bool Evaluator::to_number(const Value& value, double& out) {
    switch (value.kind) {
        case ValueKind::number:
            out = value.number;
            return true;
        case ValueKind::boolean:
            out = value.boolean ? 1 : 0;
            return true;
        default:
            break;
    }
    std::string_view text;
    if (!to_string(value, text)) return false;
    out = parse_xpath_number(text);
    return true;
}

bool Evaluator::to_string(const Value& value, std::string_view& out) {
    switch (value.kind) {
        case ValueKind::string:
            out = value.string;
            return true;
        case ValueKind::boolean:
            out = value.boolean ? "true" : "false";
            return true;
        case ValueKind::number: {
            char text[NUMBER_TEXT_ROOM];
            std::size_t length = format_number(value.number, text);
            char* kept = scratch_.strings.allocate(length);
            if (!kept) return out_of_memory();
            std::memcpy(kept, text, length);
            out = std::string_view(kept, length);
            return true;
        }
        case ValueKind::nodes:
            break;
    }
    // Sets are in document order: the first is the first in the document.
    if (value.set->nodes.empty()) {
        out = {};
        return true;
    }
    return string_value(value.set->nodes[0], out);
}

bool Evaluator::string_value(const Node& node, std::string_view& out) {
    switch (node.kind) {
        case NodeKind::attribute:
            out = node.value;
            return true;
        case NodeKind::text:
            out = std::string_view(node.value, node.length);
            return true;
        case NodeKind::root:
            if (!has_root_element(top_)) {
                out = {};
                return true;
            }
            break;
        case NodeKind::element:
            break;
    }
    XmlElement* element = node.kind == NodeKind::root ? top_ : node.element;
    // One run is the element's own text: no copy.
    if (!element->first_child) {
        out = element->text;
        return true;
    }
    Buffer<char>& bytes = scratch_.builder;
    bytes.clear();
    bool ok = true;
    WalkEnd end =
        for_each_string_value_run(element, scratch_.text_stack, [&](std::string_view run) {
            ok = bytes.append(run.data(), run.size());
            return ok;
        });
    if (!ok || end == WalkEnd::out_of_memory) return out_of_memory();
    char* kept = scratch_.strings.allocate(bytes.size());
    if (!kept) return out_of_memory();
    if (!bytes.empty()) std::memcpy(kept, bytes.data(), bytes.size());
    out = std::string_view(kept, bytes.size());
    return true;
}

bool Evaluator::string_value_equals(const Node& node, std::string_view expected, bool& equal) {
    if (node.kind == NodeKind::attribute || node.kind == NodeKind::text) {
        std::string_view value;
        string_value(node, value);
        equal = value == expected;
        return true;
    }
    if (node.kind == NodeKind::root && !has_root_element(top_)) {
        equal = expected.empty();
        return true;
    }
    XmlElement* element = node.kind == NodeKind::root ? top_ : node.element;
    std::size_t unlimited = ~std::size_t(0);
    int answer = 0;
    if (!bounded_equals(element, expected, unlimited, answer)) return false;
    equal = answer == 1;
    return true;
}

// Comparisons, by the recommendation's section 3.4.

bool Evaluator::compare(Op op, Value& left, Value& right, bool& result) {
    if (left.kind == ValueKind::nodes && right.kind == ValueKind::nodes)
        return compare_sets(op, *left.set, *right.set, result);
    if (left.kind == ValueKind::nodes) return compare_set_with(op, *left.set, right, true, result);
    if (right.kind == ValueKind::nodes)
        return compare_set_with(op, *right.set, left, false, result);
    if (is_equality(op)) {
        bool equal = false;
        if (left.kind == ValueKind::boolean || right.kind == ValueKind::boolean) {
            equal = to_boolean(left) == to_boolean(right);
        } else if (left.kind == ValueKind::number || right.kind == ValueKind::number) {
            double a = 0;
            double b = 0;
            if (!to_number(left, a) || !to_number(right, b)) return false;
            equal = a == b;
        } else {
            equal = left.string == right.string;
        }
        result = equal == (op == Op::equal);
        return true;
    }
    double a = 0;
    double b = 0;
    if (!to_number(left, a) || !to_number(right, b)) return false;
    result = relation_holds(op, a, b);
    return true;
}

bool Evaluator::compare_set_with(Op op, const NodeSet& set, Value& other, bool set_on_left,
                                 bool& result) {
    Op seen = set_on_left ? op : mirrored(op);  // as "node op other"
    result = false;
    if (other.kind == ValueKind::boolean) {
        bool mine = !set.nodes.empty();
        if (is_equality(op)) {
            result = (mine == other.boolean) == (op == Op::equal);
        } else {
            result = relation_holds(seen, mine ? 1 : 0, other.boolean ? 1 : 0);
        }
        return true;
    }
    Arena::Mark mark = scratch_.strings.mark();
    double number = 0;
    bool by_number = other.kind == ValueKind::number || !is_equality(op);
    if (by_number && !to_number(other, number)) return false;
    for (const Node& node : set.nodes) {
        if (by_number) {
            std::string_view text;
            if (!string_value(node, text)) return false;
            result = relation_holds(seen, parse_xpath_number(text), number);
            scratch_.strings.release(mark);
        } else {
            bool equal = false;
            if (!string_value_equals(node, other.string, equal)) return false;
            result = equal == (op == Op::equal);
        }
        if (result) break;
    }
    scratch_.strings.release(mark);
    return true;
}

bool Evaluator::compare_sets(Op op, const NodeSet& left, const NodeSet& right, bool& result) {
    result = false;
    if (left.nodes.empty() || right.nodes.empty()) return true;
    Arena::Mark mark = scratch_.strings.mark();
    if (!is_equality(op)) {
        // Some pair holds exactly when the extremes do (NaN never holds).
        double lows[2] = {INFINITY, INFINITY};
        double highs[2] = {-INFINITY, -INFINITY};
        const NodeSet* sides[2] = {&left, &right};
        for (int side = 0; side < 2; ++side) {
            for (const Node& node : sides[side]->nodes) {
                std::string_view text;
                if (!string_value(node, text)) return false;
                double number = parse_xpath_number(text);
                scratch_.strings.release(mark);
                if (std::isnan(number)) continue;
                lows[side] = std::fmin(lows[side], number);
                highs[side] = std::fmax(highs[side], number);
            }
        }
        bool less = op == Op::less || op == Op::less_equal;
        result =
            less ? relation_holds(op, lows[0], highs[1]) : relation_holds(op, highs[0], lows[1]);
        if (lows[0] > highs[0] || lows[1] > highs[1]) result = false;  // a side was all NaN
        return true;
    }
    // The string values of both sides, in the arena until the mark.
    Buffer<std::string_view>& values = scratch_.strings_seen;
    values.clear();
    for (const NodeSet* side : {&left, &right})
        for (const Node& node : side->nodes) {
            std::string_view text;
            if (!string_value(node, text)) return false;
            if (!values.push_back(text)) return out_of_memory();
        }
    std::size_t split = left.nodes.size();
    if (op == Op::not_equal) {
        // Some pair differs unless both sides hold one and the same value.
        for (std::size_t k = 1; k < values.size() && !result; ++k) result = values[k] != values[0];
        scratch_.strings.release(mark);
        return true;
    }
    if (split * (values.size() - split) <= FEW_PAIRS) {
        for (std::size_t a = 0; a < split && !result; ++a)
            for (std::size_t b = split; b < values.size() && !result; ++b)
                result = values[a] == values[b];
    } else {
        // A table of the left side's values, probed with the right side's.
        std::size_t size = 16;
        while (size < 2 * split) size *= 2;
        Buffer<std::size_t> table;
        if (!table.resize(size)) return out_of_memory();
        for (std::size_t& slot : table) slot = 0;
        std::size_t mask = size - 1;
        for (std::size_t a = 0; a < split; ++a) {
            std::size_t slot = hash_name(values[a]) & mask;
            while (table[slot] && values[table[slot] - 1] != values[a]) slot = (slot + 1) & mask;
            table[slot] = a + 1;
        }
        for (std::size_t b = split; b < values.size() && !result; ++b) {
            std::size_t slot = hash_name(values[b]) & mask;
            while (table[slot] && !result) {
                result = values[table[slot] - 1] == values[b];
                slot = (slot + 1) & mask;
            }
        }
    }
    scratch_.strings.release(mark);
    return true;
}

bool Evaluator::bounded_equals(XmlElement* element, std::string_view expected, std::size_t& budget,
                               int& answer) {
    std::size_t matched = 0;
    bool same = true;
    bool affordable = true;
    WalkEnd end = for_each_string_value_run(
        element, scratch_.text_stack,
        [&](std::string_view run) {
            if (run.size() > expected.size() - matched ||
                std::memcmp(run.data(), expected.data() + matched, run.size()) != 0) {
                same = false;
                return false;
            }
            matched += run.size();
            return true;
        },
        [&](const XmlElement*) {
            affordable = budget > 0;
            budget -= affordable ? 1 : 0;
            return affordable;
        });
    if (end == WalkEnd::out_of_memory) return out_of_memory();
    answer = !affordable ? -1 : same && matched == expected.size() ? 1 : 0;
    return true;
}

bool Evaluator::planned_equality(const Expr& expr, const EvalContext& context, Value& out) {
    const Node& node = context.node;
    const std::string& literal = program_.exprs[expr.literal_side].text;
    std::uint32_t operand = expr.literal_side == expr.left ? expr.right : expr.left;
    const NodeTest& test = program_.paths[program_.exprs[operand].path].steps[0].test;
    bool want_equal = expr.op == Op::equal;
    if (expr.equality == EqualityPlan::attribute) {
        // A node-set of at most one attribute against a string.
        FoundAttribute found;
        if (node.kind == NodeKind::element)
            found = scratch_.attributes.find(node.element, test.name.c_str());
        out = boolean_value(found.name && (literal == found.value) == want_equal);
        return true;
    }
    if (node.kind != NodeKind::element) return eval_comparison(expr, context, out);
    EqualityCache& cache = *scratch_.equality[expr.cache];
    // Each element compared: 1 equal, 0 not, -1 too dear to tell one by one.
    auto equal = [&](XmlElement* element, int& answer) {
        if (cache.ready) {
            answer = cache.values.contains(element) ? 1 : 0;
            return true;
        }
        if (!bounded_equals(element, literal, cache.budget, answer)) return false;
        if (answer >= 0) return true;
        if (!cache.values.find(top_, literal)) return out_of_memory();
        cache.ready = true;
        answer = cache.values.contains(element) ? 1 : 0;
        return true;
    };
    bool result = false;
    int answer = 0;
    if (expr.equality == EqualityPlan::self) {
        if (!equal(node.element, answer)) return false;
        result = (answer == 1) == want_equal;
    } else {
        for (XmlElement* child = node.element->first_child; child && !result;
             child = child->next_in_order) {
            if (!axes_.passes_element(test, child)) continue;
            if (!equal(child, answer)) return false;
            result = (answer == 1) == want_equal;
        }
    }
    out = boolean_value(result);
    return true;
}

}  // namespace xmlslice::detail
