#include "parser/tree_builder.hpp"

#include <cstdlib>
#include <cstring>

#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

// Both names are pieces of the text, already NUL-terminated.
bool named(const XmlElement* element, const char* name, const XmlDocument* document) {
    return same_names(element->name, name, document->text_end);
}

// Elements with more child names than this find a group by hash.
constexpr std::size_t linear_limit = 8;

}  // namespace

// Entries for a parent's groups, made when a child's name first differs
// from its last sibling's: until then its children shared one name, so they
// form one group. Null without memory.
TreeBuilder::Grouped* TreeBuilder::make_groups(XmlElement* parent, XmlElement* last) {
    std::size_t depth = frames_.size();
    std::size_t first = groups_.size();
    if (!grouped_.push({depth, first, first})) return nullptr;
    if (!groups_.add(first, depth, {parent->first_child, last, std::strlen(last->name)}))
        return nullptr;
    return &grouped_.back();
}

// The group entries of the innermost open element, if it has them.
TreeBuilder::Grouped* TreeBuilder::grouped() {
    bool has = !grouped_.empty() && grouped_.back().depth == frames_.size();
    return has ? &grouped_.back() : nullptr;
}

bool TreeBuilder::link_child(Frame& frame, XmlElement* child, std::size_t name_length) {
    XmlElement* parent = child->parent;
    XmlElement* last = frame.last_child;
    frame.last_child = child;
    if (!last) {
        parent->first_child = child;
        return true;
    }
    last->next_in_order = child;
    Grouped* entries = grouped();
    if (named(last, child->name, document_)) {
        last->next_same_name = child;
        if (entries) groups_[entries->last_group].tail = child;
        return true;
    }
    if (!entries && !(entries = make_groups(parent, last))) return false;
    std::size_t depth = frames_.size();
    std::size_t g = groups_.find(entries->first_group, depth, child->name, name_length);
    if (g == npos) {
        if (!groups_.add(entries->first_group, depth, {child, child, name_length})) return false;
        g = groups_.size() - 1;
    } else {
        groups_[g].tail->next_same_name = child;
        groups_[g].tail = child;
    }
    entries->last_group = g;
    return true;
}

// The child is linked in document order before anything can fail, so it is
// freed with the document even when its name group could not be made.
XmlElement* TreeBuilder::new_child(Frame& frame, char* name, std::size_t name_length) {
    auto* child = static_cast<XmlElement*>(std::malloc(sizeof(XmlElement)));
    if (!child) return nullptr;
    *child = XmlElement{name,    empty_table(), empty_text(), frame.text_length,          nullptr,
                        nullptr, nullptr,       nullptr,      document_->current_element, 0};
    return link_child(frame, child, name_length) ? child : nullptr;
}

bool TreeBuilder::open(char* name, std::size_t name_length, AttributeList attributes) {
    XmlElement* element = document_->current_element;
    if (element->name)
        element = new_child(frames_.back(), name, name_length);
    else
        element->name = name;  // the root record becomes the root element
    if (!element || !frames_.push({nullptr, 0, later_text_.size()})) {
        attribute_list_free(attributes);
        return false;
    }
    element->attributes = attributes;
    document_->current_element = element;
    return true;
}

// The element's text is its first run; the later runs wait in later_text_
// and are joined with it into one block of exactly the text's size.
// Without memory the text keeps its first run only.
bool TreeBuilder::join_text(Frame& frame, XmlElement* element) {
    std::size_t later = later_text_.size() - frame.first_byte;
    if (!later) return true;
    auto* block = static_cast<char*>(std::malloc(frame.text_length + 1));
    if (block) {
        std::size_t first = frame.text_length - later;
        std::memcpy(block, element->text, first);
        std::memcpy(block + first, later_text_.data() + frame.first_byte, later);
        block[frame.text_length] = '\0';
        if (element->flags & TEXT_OWNED) std::free(element->text);
        element->text = block;
        element->flags |= TEXT_OWNED;
    }
    later_text_.truncate(frame.first_byte);
    return block != nullptr;
}

bool TreeBuilder::close() {
    XmlElement* element = document_->current_element;
    bool joined = join_text(frames_.back(), element);
    if (Grouped* entries = grouped()) {
        groups_.close(entries->first_group);
        grouped_.pop();
    }
    frames_.pop();
    document_->current_element = element->parent;
    return joined;
}

// Empty so far (perhaps after a run that decoded to nothing): the run
// replaces the text rather than joining it.
void TreeBuilder::first_text(char* text, std::size_t length, bool owned) {
    XmlElement* element = document_->current_element;
    if (element->flags & TEXT_OWNED) std::free(element->text);
    element->text = text;
    element->flags = static_cast<std::uint16_t>(owned ? element->flags | TEXT_OWNED
                                                      : element->flags & ~TEXT_OWNED);
    frames_.back().text_length = length;
}

bool TreeBuilder::later_text(char* text, std::size_t length, bool owned) {
    bool kept = later_text_.append(text, length);
    if (owned) std::free(text);
    if (kept) frames_.back().text_length += length;
    return kept;
}

void TreeBuilder::finish() {
    for (XmlElement* element = document_->current_element; !frames_.empty(); frames_.pop()) {
        join_text(frames_.back(), element);
        element = element->parent;
    }
}

// Whether g is a group of the element whose groups start at first, named name.
bool ChildGroups::matches(std::size_t first, std::size_t g, const char* name,
                          std::size_t length) const {
    if (g < first || g >= groups_.size()) return false;
    const ChildGroup& group = groups_[g];
    return group.name_length == length && equal_bytes(group.head->name, name, length);
}

std::size_t ChildGroups::find(std::size_t first, std::size_t depth, const char* name,
                              std::size_t length) {
    if (groups_.size() - first > linear_limit) {
        std::size_t g = by_name_.find(depth, name, length);
        return matches(first, g, name, length) ? g : npos;
    }
    for (std::size_t g = first; g < groups_.size(); ++g)
        if (matches(first, g, name, length)) return g;
    return npos;
}

// Only one element per depth is open, so an older entry for the same depth
// and name belongs to a closed element.
bool ChildGroups::index(std::size_t depth, std::size_t g) {
    std::size_t* entry = by_name_.find_or_add(depth, groups_[g].head->name, groups_[g].name_length);
    if (entry) *entry = g;
    return entry != nullptr;
}

bool ChildGroups::add(std::size_t first, std::size_t depth, const ChildGroup& group) {
    std::size_t count = groups_.size() - first;
    if (count) groups_.back().head->next_name_group = group.head;
    if (!groups_.push(group)) return false;
    if (count < linear_limit) return true;
    if (count > linear_limit) return index(depth, groups_.size() - 1);
    for (std::size_t g = first; g < groups_.size(); ++g)
        if (!index(depth, g)) return false;
    return true;
}

}  // namespace xmlslice::detail
