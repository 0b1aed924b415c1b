#include "select/equal_string_values.hpp"

#include <cstring>

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

bool EqualStringValues::append(std::string_view run) {
    Level& level = levels_.back();
    if (level.too_long || run.empty()) return true;
    if (!bytes_.append(run.data(), run.size())) return false;
    if (bytes_.size() - level.start <= expected_.size()) return true;
    level.too_long = true;
    bytes_.truncate(level.start);
    return true;
}

bool EqualStringValues::find(XmlElement* top, std::string_view expected) {
    expected_ = expected;
    bytes_.clear();
    levels_.clear();
    cursors_.clear();
    if (!equal_.clear()) return false;
    if (!top->name) return true;
    bool ok = true;
    auto add = [this](const XmlElement* element) {
        bool added = false;
        return equal_.insert(element, added);
    };
    auto enter = [&](XmlElement* node, std::size_t) {
        if (!ok) return false;
        if (!levels_.empty()) ok = append(cursors_.back().run_before(node));
        ok = ok && levels_.push_back({bytes_.size(), false}) &&
             cursors_.push_back(TextCursor::of(node));
        return ok;
    };
    auto leave = [&](XmlElement* node, std::size_t) {
        if (!ok || cursors_.empty() || cursors_.back().element != node) return;
        ok = append(cursors_.back().rest());
        Level level = levels_.back();
        levels_.pop_back();
        cursors_.pop_back();
        if (ok && !level.too_long && bytes_.size() - level.start == expected_.size() &&
            (expected_.empty() ||
             std::memcmp(bytes_.data() + level.start, expected_.data(), expected_.size()) == 0))
            ok = add(node);
        if (levels_.empty()) {
            bytes_.clear();
            return;
        }
        // The element's bytes go on as the end of its parent's; a parent
        // that holds too much keeps none of them.
        Level& parent = levels_.back();
        if (level.too_long) parent.too_long = true;
        if (parent.too_long || bytes_.size() - parent.start > expected_.size()) {
            parent.too_long = true;
            bytes_.truncate(parent.start);
        }
    };
    walk_subtree(top, enter, leave);
    return ok;
}

bool EqualStringValues::contains(const XmlElement* element) const {
    return equal_.contains(element);
}

}  // namespace xmlslice::detail
