#include "select/equal_string_values.hpp"

#include <cstring>

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

void EqualStringValues::find(const std::vector<XmlElement*>* members, XmlElement* root,
                             std::string_view expected, const char* name) {
    expected_ = expected;
    name_ = name;
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
    // Values are gathered inside the subtree of an element of interest only.
    auto of_interest = [this](const XmlElement* node) {
        return !name_ || (node->name && std::strcmp(node->name, name_) == 0);
    };
    auto enter = [&](XmlElement* node, std::size_t) {
        if (members && member < members->size() && (*members)[member] == node) ++member;
        if (levels_.empty() && !of_interest(node)) return true;
        if (!levels_.empty()) append(cursors_.back().run_before(node));
        levels_.push_back({bytes_.size(), false});
        cursors_.emplace_back(node);
        return true;
    };
    auto leave = [&](XmlElement* node, std::size_t) {
        if (levels_.empty() || cursors_.back().element != node) return;
        append(cursors_.back().rest());
        Level level = levels_.back();
        levels_.pop_back();
        cursors_.pop_back();
        if (!level.too_long && bytes_.compare(level.start, std::string::npos, expected_) == 0)
            found_.push_back(node);
        if (levels_.empty()) {
            bytes_.clear();
            return;
        }
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
