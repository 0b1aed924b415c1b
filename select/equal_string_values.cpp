#include "select/equal_string_values.hpp"

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

void EqualStringValues::find(const std::vector<XmlElement*>* members, XmlElement* root,
                             std::string_view expected) {
    expected_ = expected;
    found_.clear();
    std::size_t member = 0;
    if (!members) {
        if (root->name) walk(root, nullptr, member);
    } else {
        while (member < members->size()) walk((*members)[member], members, member);
    }
    equal_.reset(found_.size());
    for (XmlElement* element : found_) equal_.insert(element);
}

void EqualStringValues::append(std::string_view run) {
    Level& level = levels_.back();
    if (level.too_long || run.empty()) return;
    bytes_.append(run);
    if (bytes_.size() - level.start <= expected_.size()) return;
    level.too_long = true;
    bytes_.resize(level.start);
}

void EqualStringValues::walk(XmlElement* top, const std::vector<XmlElement*>* members,
                             std::size_t& member) {
    bytes_.clear();
    levels_.clear();
    cursors_.clear();
    auto enter = [&](XmlElement* node, std::size_t depth) {
        if (members && member < members->size() && (*members)[member] == node) ++member;
        if (depth > 0) append(cursors_.back().run_before(node));
        levels_.push_back({bytes_.size(), false});
        cursors_.emplace_back(node);
        return true;
    };
    auto leave = [&](XmlElement* node, std::size_t) {
        append(cursors_.back().rest());
        Level level = levels_.back();
        levels_.pop_back();
        cursors_.pop_back();
        if (!level.too_long && bytes_.compare(level.start, std::string::npos, expected_) == 0)
            found_.push_back(node);
        if (levels_.empty()) return;
        // The element's bytes go on as the end of its parent's; a parent
        // that holds too much keeps none of them.
        Level& parent = levels_.back();
        if (level.too_long) parent.too_long = true;
        if (parent.too_long) {
            bytes_.resize(parent.start);
        } else if (bytes_.size() - parent.start > expected_.size()) {
            parent.too_long = true;
            bytes_.resize(parent.start);
        }
    };
    walk_subtree(top, enter, leave);
}

}  // namespace xmlslice::detail
