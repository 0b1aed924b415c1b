#include "select/id_index.hpp"

#include <cstring>

#include "select/subtree_walk.hpp"

namespace xmlslice::detail {

namespace {

// The ID an element's own attributes give it, or null.
const char* id_of(XmlElement* element, const AttributeLookup& attributes) {
    for (char** pair = element->attributes; *pair; pair += 2)
        if (std::strcmp(pair[0], "xml:id") == 0) return pair[1];
    char** declared = attributes.declared_list(element->name);
    if (!declared) return nullptr;
    bool id_typed = false;
    for (char** triple = declared + 1; *triple; triple += 3)
        if (std::strcmp(triple[0], "id") == 0) id_typed = triple[2][0] != ' ';
    if (!id_typed) return nullptr;
    for (char** pair = element->attributes; *pair; pair += 2)
        if (std::strcmp(pair[0], "id") == 0) return pair[1];
    return nullptr;
}

}  // namespace

bool IdIndex::grow() {
    std::size_t size = table_.empty() ? 64 : 2 * table_.size();
    Buffer<Entry> old = static_cast<Buffer<Entry>&&>(table_);
    if (!table_.resize(size)) {
        table_ = static_cast<Buffer<Entry>&&>(old);
        return false;
    }
    std::memset(static_cast<void*>(table_.data()), 0, size * sizeof(Entry));
    count_ = 0;
    for (const Entry& entry : old)
        if (entry.value) insert({entry.value, entry.length}, entry.element);
    return true;
}

bool IdIndex::insert(std::string_view id, XmlElement* element) {
    if (2 * (count_ + 1) > table_.size() && !grow()) return false;
    std::size_t mask = table_.size() - 1;
    std::size_t slot = hash_name(id) & mask;
    while (table_[slot].value) {
        if (std::string_view(table_[slot].value, table_[slot].length) == id) return true;
        slot = (slot + 1) & mask;
    }
    table_[slot] = {id.data(), id.size(), element};
    ++count_;
    return true;
}

bool IdIndex::build(XmlElement* top, const AttributeLookup& attributes) {
    table_.clear();
    count_ = 0;
    if (!grow()) return false;
    bool ok = true;
    if (top->name)
        walk_subtree(
            top,
            [&](XmlElement* element, std::size_t) {
                const char* id = ok ? id_of(element, attributes) : nullptr;
                if (id && *id) ok = insert(id, element);
                return ok;
            },
            [](XmlElement*, std::size_t) {});
    if (ok) built_for_ = top;
    return ok;
}

bool IdIndex::find(XmlElement* top, const AttributeLookup& attributes, std::string_view id,
                   XmlElement*& found) {
    found = nullptr;
    if (built_for_ != top && !build(top, attributes)) return false;
    std::size_t mask = table_.size() - 1;
    for (std::size_t slot = hash_name(id) & mask; table_[slot].value; slot = (slot + 1) & mask) {
        if (std::string_view(table_[slot].value, table_[slot].length) == id) {
            found = table_[slot].element;
            return true;
        }
    }
    return true;
}

}  // namespace xmlslice::detail
