#include "select/document_order.hpp"

#include <algorithm>
#include <cstring>

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

namespace {

std::size_t slot_of(const XmlElement* element, std::size_t mask) {
    // Records are at least 8-byte aligned: drop the bits that never vary.
    auto bits = reinterpret_cast<std::uintptr_t>(element) >> 3;
    return static_cast<std::size_t>(bits * 0x9E3779B97F4A7C15ull) & mask;
}

}  // namespace

bool DocumentOrder::build(XmlElement* top) {
    std::size_t count = 0;
    walk_subtree(
        top,
        [&count](XmlElement*, std::size_t) {
            ++count;
            return true;
        },
        [](XmlElement*, std::size_t) {});
    std::size_t size = 16;
    while (size < 2 * count) size *= 2;
    if (!table_.resize(size)) return false;
    std::memset(static_cast<void*>(table_.data()), 0, size * sizeof(Entry));
    std::size_t mask = size - 1;
    std::uint32_t next = 1;
    walk_subtree(
        top,
        [&](XmlElement* element, std::size_t depth) {
            std::size_t slot = slot_of(element, mask);
            while (table_[slot].element) slot = (slot + 1) & mask;
            table_[slot] = {element, next++, 0, static_cast<std::uint32_t>(depth)};
            return true;
        },
        [&](XmlElement* element, std::size_t) {
            std::size_t slot = slot_of(element, mask);
            while (table_[slot].element != element) slot = (slot + 1) & mask;
            table_[slot].end = next;
        });
    built_for_ = top;
    return true;
}

const DocumentOrder::Entry& DocumentOrder::entry(const XmlElement* element) const {
    // A node of another tree (a host's variable may hold one) goes last.
    static const Entry elsewhere = {nullptr, ~std::uint32_t(0), ~std::uint32_t(0), 0};
    std::size_t mask = table_.size() - 1;
    for (std::size_t slot = slot_of(element, mask); table_[slot].element; slot = (slot + 1) & mask)
        if (table_[slot].element == element) return table_[slot];
    return elsewhere;
}

DocumentOrder::Key DocumentOrder::key_of(const Node& node, std::size_t index) const {
    switch (node.kind) {
        case NodeKind::root:
            return {0, 0, index};
        case NodeKind::element:
            return {entry(node.element).pre, 0, index};
        case NodeKind::attribute:
            return {entry(node.element).pre, 1 + static_cast<std::int64_t>(node.rank), index};
        case NodeKind::text:
            break;
    }
    const Entry& holder = entry(node.element);
    std::uint64_t major = node.after ? entry(node.after).pre : holder.end;
    return {major, -1 - static_cast<std::int64_t>(holder.depth), index};
}

bool DocumentOrder::sort(Buffer<Node>& nodes, XmlElement* top) {
    if (nodes.size() < 2) return true;
    if (built_for_ != top && !build(top)) return false;
    if (!keys_.resize(nodes.size())) return false;
    for (std::size_t k = 0; k < nodes.size(); ++k) keys_[k] = key_of(nodes[k], k);
    auto earlier = [](const Key& a, const Key& b) {
        return a.major != b.major ? a.major < b.major : a.minor < b.minor;
    };
    bool ordered = true;
    for (std::size_t k = 1; k < keys_.size() && ordered; ++k)
        ordered = earlier(keys_[k - 1], keys_[k]);
    if (ordered) return true;
    std::sort(keys_.begin(), keys_.end(), earlier);
    if (!sorted_.resize(0) || !sorted_.reserve(nodes.size())) return false;
    for (std::size_t k = 0; k < keys_.size(); ++k) {
        // Equal keys are the same node.
        if (k > 0 && !earlier(keys_[k - 1], keys_[k])) continue;
        sorted_.push_back(nodes[keys_[k].index]);
    }
    nodes.clear();
    return nodes.append(sorted_.data(), sorted_.size());
}

}  // namespace xmlslice::detail
