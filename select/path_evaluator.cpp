#include "select/path_evaluator.hpp"

#include <algorithm>
#include <cstring>

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

namespace {

bool name_matches(const Step& step, const XmlElement* element) {
    return step.any_name || (element->name && step.name == element->name);
}

}  // namespace

PathEvaluator::PathEvaluator(const SelectProgram& program, SelectScratch& scratch)
    : program_(program),
      scratch_(scratch),
      tests_(program, scratch.attributes, scratch.equal_values, scratch.truth_stack) {
    if (scratch.equal_values.size() < program.tests.size())
        scratch.equal_values.resize(program.tests.size());
}

void PathEvaluator::run(XmlElement* context, bool from_document,
                        std::vector<SelectMatch>& matches) {
    root_ = context;
    while (root_->parent) root_ = root_->parent;
    if (program_.reads_attributes) scratch_.attributes.load(root_);
    scratch_.current.clear();
    at_document_ = program_.absolute || from_document;
    nested_ = false;
    if (!at_document_) scratch_.current.push_back(context);

    for (const Step& step : program_.steps) {
        if (step.axis == Axis::attribute || step.axis == Axis::text) {
            if (step.descendants) descendants_or_self();
            if (step.axis == Axis::attribute) {
                attribute_matches(step, matches);
            } else {
                text_matches(matches);
            }
            return;
        }
        apply(step);
    }
    for (XmlElement* element : scratch_.current) matches.push_back({element, nullptr, {}, false});
}

void PathEvaluator::apply(const Step& step) {
    switch (step.axis) {
        case Axis::child:
            tests_.prepare(step, at_document_ ? nullptr : &scratch_.current, root_);
            if (step.descendants) {
                walk_step(step, true);
            } else if (nested_) {
                walk_step(step, false);
            } else {
                select_children(step);
            }
            return;
        case Axis::self:
            if (step.descendants) descendants_or_self();
            return;
        case Axis::parent:
            if (step.descendants) descendants_or_self();
            parents();
            return;
        default:
            return;
    }
}

// The set is the new set; the old one's memory is kept for the next step.
void PathEvaluator::finish_step(bool nested) {
    scratch_.current.swap(scratch_.next);
    scratch_.next.clear();
    at_document_ = false;
    nested_ = nested;
}

// Children of a set in which no element holds another: the groups of the
// parents, one after the other, are already in document order.
void PathEvaluator::select_children(const Step& step) {
    scratch_.next.clear();
    if (at_document_) {
        collect_group(nullptr, step, scratch_.next);
    } else {
        for (XmlElement* parent : scratch_.current) collect_group(parent, step, scratch_.next);
    }
    finish_step(false);
}

// Children (or, with every_node_active, descendants) of a set that may nest,
// found in one walk over the subtrees of its outermost elements. An element
// inside the subtree of an earlier one is met on that walk and never walked
// again, so //a//b//c costs one pass however the a, b and c nest.
void PathEvaluator::walk_step(const Step& step, bool every_node_active) {
    std::vector<XmlElement*>& members = scratch_.current;
    std::vector<XmlElement*>& out = scratch_.next;
    std::vector<XmlElement*>& groups = scratch_.groups;
    std::vector<WalkFrame>& frames = scratch_.frames;
    bool positional = step.counts_positions();
    std::size_t member = 0;
    std::size_t open_emitted = 0;
    bool nested = false;
    out.clear();
    groups.clear();

    auto enter = [&](XmlElement* node, std::size_t depth) {
        bool emitted = false;
        if (frames[depth].active) {
            WalkFrame& parent = frames[depth];
            if (!positional) {
                emitted = passes(step, node);
            } else if (parent.cursor < parent.group_end && groups[parent.cursor] == node) {
                emitted = true;
                ++parent.cursor;
            }
        }
        if (emitted) {
            nested = nested || open_emitted > 0;
            ++open_emitted;
            out.push_back(node);
        }
        bool is_member = member < members.size() && members[member] == node;
        if (is_member) ++member;
        if (frames.size() < depth + 2) frames.emplace_back();
        WalkFrame& own = frames[depth + 1];
        own.active = every_node_active || is_member;
        own.emitted = emitted;
        if (own.active && positional) {
            own.group_begin = groups.size();
            collect_group(node, step, groups);
            own.group_end = groups.size();
            own.cursor = own.group_begin;
        }
        // Below here only children of active elements can be selected.
        return own.active || member < members.size();
    };
    auto leave = [&](XmlElement*, std::size_t depth) {
        const WalkFrame& own = frames[depth + 1];
        if (own.emitted) --open_emitted;
        if (own.active && positional) groups.resize(own.group_begin);
    };
    auto walk_from = [&](XmlElement* top, bool top_is_candidate) {
        frames.resize(1);
        frames[0] = WalkFrame();
        frames[0].active = top_is_candidate;
        if (top_is_candidate && positional) {
            collect_group(nullptr, step, groups);
            frames[0].group_end = groups.size();
        }
        walk_subtree(top, enter, leave);
    };

    if (at_document_) {
        if (root_->name) walk_from(root_, true);
    } else {
        while (member < members.size()) walk_from(members[member], false);
    }
    finish_step(nested);
}

// Every element of the set and all their descendants (the document's are
// all the elements), each once.
void PathEvaluator::descendants_or_self() {
    std::vector<XmlElement*>& members = scratch_.current;
    std::vector<XmlElement*>& out = scratch_.next;
    std::size_t member = 0;
    bool nested = false;
    out.clear();
    auto enter = [&](XmlElement* node, std::size_t) {
        if (member < members.size() && members[member] == node) ++member;
        out.push_back(node);
        nested = nested || node->first_child;
        return true;
    };
    auto leave = [](XmlElement*, std::size_t) {};
    if (at_document_) {
        if (root_->name) walk_subtree(root_, enter, leave);
    } else {
        while (member < members.size()) walk_subtree(members[member], enter, leave);
    }
    finish_step(nested);
}

// The parents of the set. The root's parent is the document, which is not
// an element, so it drops out. Parents of several elements are put back in
// document order by one walk over the document.
void PathEvaluator::parents() {
    std::vector<XmlElement*>& out = scratch_.next;
    out.clear();
    if (!at_document_) {
        for (XmlElement* element : scratch_.current)
            if (element->parent && (out.empty() || out.back() != element->parent))
                out.push_back(element->parent);
    }
    if (out.size() > 1) {
        PointerSet& wanted = scratch_.parents;
        wanted.reset(out.size());
        for (XmlElement* parent : out) wanted.insert(parent);
        out.clear();
        auto enter = [&](XmlElement* node, std::size_t) {
            if (wanted.contains(node)) out.push_back(node);
            return true;
        };
        walk_subtree(root_, enter, [](XmlElement*, std::size_t) {});
    }
    finish_step(out.size() > 1);
}

// Appends the children of parent (null: the document, whose only child is
// the root) that pass the step's name test and predicates in turn.
void PathEvaluator::collect_group(XmlElement* parent, const Step& step,
                                  std::vector<XmlElement*>& out) {
    std::size_t begin = out.size();
    // A leading [N] or [last()] keeps one candidate: count them instead of
    // gathering them all.
    const Predicate* leading = step.predicates.empty() ? nullptr : &step.predicates.front();
    bool picks_one = leading && leading->kind != Predicate::Kind::boolean;
    bool wants_last = picks_one && leading->kind == Predicate::Kind::last;
    std::size_t seen = 0;
    XmlElement* picked = nullptr;
    for (XmlElement* child = first_candidate(parent, step); child;
         child = next_candidate(child, step)) {
        if (!picks_one) {
            out.push_back(child);
        } else if (wants_last || ++seen == leading->position) {
            picked = child;
            if (!wants_last) break;
        }
    }
    if (picked) out.push_back(picked);
    for (std::size_t k = picks_one ? 1 : 0; k < step.predicates.size(); ++k)
        filter_group(step.predicates[k], out, begin);
}

// The children of parent that the step's name test admits, in document
// order; the document's only child is the root.
XmlElement* PathEvaluator::first_candidate(XmlElement* parent, const Step& step) const {
    if (!parent) return root_->name && name_matches(step, root_) ? root_ : nullptr;
    return step.any_name ? parent->first_child : element_first_named(parent, step.name.c_str());
}

XmlElement* PathEvaluator::next_candidate(XmlElement* child, const Step& step) const {
    if (child == root_) return nullptr;
    return step.any_name ? child->next_in_order : child->next_same_name;
}

// Keeps the part of out from begin on that passes predicate; positions
// count within that part.
void PathEvaluator::filter_group(const Predicate& predicate, std::vector<XmlElement*>& out,
                                 std::size_t begin) {
    std::size_t size = out.size() - begin;
    switch (predicate.kind) {
        case Predicate::Kind::position: {
            bool inside = predicate.position >= 1 && predicate.position <= size;
            XmlElement* kept = inside ? out[begin + predicate.position - 1] : nullptr;
            out.resize(begin);
            if (kept) out.push_back(kept);
            return;
        }
        case Predicate::Kind::last:
            if (size > 1) {
                out[begin] = out.back();
                out.resize(begin + 1);
            }
            return;
        case Predicate::Kind::boolean: {
            auto fails = [&](XmlElement* element) { return !tests_.holds(predicate, element); };
            out.erase(
                std::remove_if(out.begin() + static_cast<std::ptrdiff_t>(begin), out.end(), fails),
                out.end());
            return;
        }
    }
}

bool PathEvaluator::passes(const Step& step, XmlElement* element) {
    if (!name_matches(step, element)) return false;
    for (const Predicate& predicate : step.predicates)
        if (!tests_.holds(predicate, element)) return false;
    return true;
}

void PathEvaluator::attribute_matches(const Step& step, std::vector<SelectMatch>& matches) {
    if (at_document_) return;  // the document has no attributes
    AttributeLookup& attributes = scratch_.attributes;
    for (XmlElement* element : scratch_.current) {
        if (!step.any_name) {
            FoundAttribute found = attributes.find(element, step.name.c_str());
            if (found.value)
                matches.push_back({element, found.name, found.value, found.declared_default});
            continue;
        }
        attributes.for_each(element, [&](const char* name, const char* value, bool declared) {
            matches.push_back({element, name, value, declared});
            return true;
        });
    }
}

void PathEvaluator::text_matches(std::vector<SelectMatch>& matches) {
    if (at_document_) return;  // the document holds no text outside its root
    auto emit = [&matches](XmlElement* owner, std::string_view run) {
        if (!run.empty()) matches.push_back({owner, nullptr, run, false});
        return true;
    };
    if (!nested_) {
        for (XmlElement* element : scratch_.current)
            for_each_own_text_run(element,
                                  [&](std::string_view run) { return emit(element, run); });
        return;
    }
    // The runs of an element and of the elements of the set below it
    // interleave: one walk over the outermost ones, a text cursor per level.
    std::vector<XmlElement*>& members = scratch_.current;
    std::vector<TextCursor>& cursors = scratch_.text_stack;
    std::vector<WalkFrame>& frames = scratch_.frames;
    std::size_t member = 0;
    auto enter = [&](XmlElement* node, std::size_t depth) {
        if (depth > 0) {
            std::string_view run = cursors.back().run_before(node);
            if (frames[depth].active) emit(node->parent, run);
        }
        bool is_member = member < members.size() && members[member] == node;
        if (is_member) ++member;
        if (frames.size() < depth + 2) frames.emplace_back();
        frames[depth + 1].active = is_member;
        cursors.emplace_back(node);
        return true;
    };
    auto leave = [&](XmlElement* node, std::size_t depth) {
        if (frames[depth + 1].active) emit(node, cursors.back().rest());
        cursors.pop_back();
    };
    while (member < members.size()) {
        cursors.clear();
        frames.resize(1);
        walk_subtree(members[member], enter, leave);
    }
}

}  // namespace xmlslice::detail
