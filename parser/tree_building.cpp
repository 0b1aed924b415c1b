// The scanner's steps that change the tree. Children are appended in
// document order, so each addition links after the remembered last child,
// last group head and group tail instead of walking the chains.
#include <cstdlib>
#include <cstring>

#include "parser/parser.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

// Parents with more child names than this find a name group by hash.
constexpr std::size_t linear_group_limit = 8;

std::size_t find_group(Parser& parser, const OpenElement& frame, const char* name,
                       std::size_t length) {
    std::size_t count = parser.groups.size() - frame.first_group;
    if (count > linear_group_limit)
        return parser.wide_groups.find(reinterpret_cast<std::uintptr_t>(frame.element), name,
                                       length);
    for (std::size_t g = frame.first_group; g < parser.groups.size(); ++g)
        if (std::strcmp(parser.groups[g].head->name, name) == 0) return g;
    return NameIndex::npos;
}

bool index_group(Parser& parser, const OpenElement& frame, std::size_t group) {
    const char* name = parser.groups[group].head->name;
    return parser.wide_groups.insert(reinterpret_cast<std::uintptr_t>(frame.element), name,
                                     std::strlen(name), group);
}

// A new name group: its head joins the name-group chain after the last head.
bool add_group(Parser& parser, OpenElement& frame, XmlElement* head) {
    std::size_t count = parser.groups.size() - frame.first_group;
    if (count) parser.groups.back().head->next_name_group = head;
    if (!parser.groups.push({head, head})) return false;
    frame.last_group = parser.groups.size() - 1;
    if (count + 1 < linear_group_limit + 1) return true;
    if (count + 1 > linear_group_limit + 1) return index_group(parser, frame, frame.last_group);
    for (std::size_t g = frame.first_group; g < parser.groups.size(); ++g)
        if (!index_group(parser, frame, g)) return false;
    return true;
}

bool link_child(Parser& parser, OpenElement& frame, XmlElement* child, std::size_t name_length) {
    XmlElement* last = frame.last_child;
    frame.last_child = child;
    if (!last) {
        frame.element->first_child = child;
        return add_group(parser, frame, child);
    }
    last->next_in_order = child;
    std::size_t group = std::strcmp(last->name, child->name) == 0
                            ? frame.last_group
                            : find_group(parser, frame, child->name, name_length);
    if (group == NameIndex::npos) return add_group(parser, frame, child);
    parser.groups[group].tail->next_same_name = child;
    parser.groups[group].tail = child;
    frame.last_group = group;
    return true;
}

// The new child is linked in document order before anything can fail, so
// it is freed with the document even when its name group could not be made.
XmlElement* new_child(Parser& parser, char* name, std::size_t name_length) {
    OpenElement& frame = parser.open.back();
    auto* child = static_cast<XmlElement*>(std::malloc(sizeof(XmlElement)));
    if (!child) return nullptr;
    *child = XmlElement{name,    empty_table(), empty_text(), frame.text_length, nullptr,
                        nullptr, nullptr,       nullptr,      frame.element,     0};
    return link_child(parser, frame, child, name_length) ? child : nullptr;
}

void settle_text(OpenElement& frame) {
    if (frame.text_capacity > frame.text_length + 1) {
        void* exact = std::realloc(frame.element->text, frame.text_length + 1);
        if (exact) frame.element->text = static_cast<char*>(exact);
    }
    frame.text_capacity = 0;
}

// Joins decoded text onto the element's text in a block that grows
// geometrically while the element is open.
bool join_text(OpenElement& frame, const char* addition, std::size_t length) {
    XmlElement* element = frame.element;
    std::size_t needed = frame.text_length + length + 1;
    if (needed > frame.text_capacity) {
        std::size_t capacity = needed * 2;
        bool growable = frame.text_capacity || (element->flags & TEXT_OWNED);
        char* block = static_cast<char*>(growable ? std::realloc(element->text, capacity)
                                                  : std::malloc(capacity));
        if (!block) return false;
        if (!growable) std::memcpy(block, element->text, frame.text_length);
        element->text = block;
        element->flags |= TEXT_OWNED;
        frame.text_capacity = capacity;
    }
    std::memcpy(element->text + frame.text_length, addition, length);
    frame.text_length += length;
    element->text[frame.text_length] = '\0';
    return true;
}

}  // namespace

bool start_element(Parser& parser, char* name, std::size_t name_length, AttributeList list) {
    XmlDocument* document = parser.document;
    XmlElement* element = document->current_element;
    if (element->name) {
        element = new_child(parser, name, name_length);
        if (!element) return out_of_memory(parser, name);
    } else {
        element->name = name;
    }
    element->attributes = list;
    if (!parser.open.push({element, nullptr, 0, parser.groups.size(), 0, 0}))
        return out_of_memory(parser, name);
    document->current_element = element;
    return true;
}

XmlDocument* end_element(Parser& parser, const char* name, const char* position) {
    XmlDocument* document = parser.document;
    XmlElement* current = document->current_element;
    if (!current || !current->name || std::strcmp(current->name, name) != 0)
        return record_error(document, position, "unexpected closing tag </%s>", name);
    OpenElement& frame = parser.open.back();
    settle_text(frame);
    parser.groups.truncate(frame.first_group);
    parser.open.pop();
    document->current_element = current->parent;
    return nullptr;
}

bool append_content(Parser& parser, char* start, std::size_t length, char mode) {
    XmlElement* element = parser.document->current_element;
    if (!element || !element->name || length == 0) return true;
    start[length] = '\0';
    Decoded decoded = decode_text(parser.decoding, start, length, parser.entities, mode);
    if (decoded.status != DecodeStatus::ok) return decode_failed(parser, decoded.status, start);
    OpenElement& frame = parser.open.back();
    if (!*element->text) {
        // An earlier run may have decoded to an empty heap string.
        if (element->flags & TEXT_OWNED) std::free(element->text);
        element->text = decoded.text;
        element->flags = static_cast<std::uint16_t>(
            decoded.text != start ? element->flags | TEXT_OWNED : element->flags & ~TEXT_OWNED);
        frame.text_length = decoded.length;
        frame.text_capacity = 0;
        return true;
    }
    bool joined = join_text(frame, decoded.text, decoded.length);
    if (decoded.text != start) std::free(decoded.text);
    return joined || out_of_memory(parser, start);
}

void finish_tables(Parser& parser) {
    for (std::size_t i = 0; i < parser.open.size(); ++i) settle_text(parser.open[i]);
    parser.entities.trim();
    parser.declarations.trim();
    trim_instruction_table(parser);
}

}  // namespace xmlslice::detail
