// The scanner's steps that change the tree. Children are appended in
// document order, so each addition links after the remembered last child,
// last group head and group tail instead of walking the chains, and an
// element's runs of text are joined once, when it closes.
#include <cstdlib>
#include <cstring>

#include "parser/parser.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

bool same_name(const char* a, std::size_t a_length, const char* b, std::size_t b_length) {
    return a_length == b_length && equal_bytes(a, b, a_length);
}

// A new name group: its head joins the name-group chain after the last head.
bool add_group(Parser& parser, OpenElement& frame, XmlElement* head, std::size_t name_length) {
    if (!parser.groups.add(frame.first_group, parser.open.size(), head, name_length)) return false;
    frame.last_group = parser.groups.size() - 1;
    return true;
}

bool link_child(Parser& parser, OpenElement& frame, XmlElement* child, std::size_t name_length) {
    XmlElement* last = frame.last_child;
    frame.last_child = child;
    if (!last) {
        frame.element->first_child = child;
        return add_group(parser, frame, child, name_length);
    }
    last->next_in_order = child;
    const ChildGroup& last_group = parser.groups[frame.last_group];
    std::size_t g =
        same_name(last->name, last_group.name_length, child->name, name_length)
            ? frame.last_group
            : parser.groups.find(frame.first_group, parser.open.size(), child->name, name_length);
    if (g == ChildGroups::none) return add_group(parser, frame, child, name_length);
    parser.groups[g].tail->next_same_name = child;
    parser.groups[g].tail = child;
    frame.last_group = g;
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

void drop_runs(Parser& parser, std::size_t from) {
    for (std::size_t r = from; r < parser.runs.size(); ++r)
        if (parser.runs[r].owned) std::free(parser.runs[r].text);
    parser.runs.truncate(from);
}

// The element's text is its first run; the runs after it wait in
// Parser::runs and are joined with it into one heap block of exactly the
// text's size. Without memory the text keeps its first run only.
bool join_runs(Parser& parser, OpenElement& frame) {
    std::size_t first = frame.first_run;
    if (parser.runs.size() == first) return true;
    XmlElement* element = frame.element;
    auto* block = static_cast<char*>(std::malloc(frame.text_length + 1));
    if (block) {
        std::size_t rest = 0;
        for (std::size_t r = first; r < parser.runs.size(); ++r) rest += parser.runs[r].length;
        char* at = block + (frame.text_length - rest);
        std::memcpy(block, element->text, at - block);
        for (std::size_t r = first; r < parser.runs.size(); ++r) {
            std::memcpy(at, parser.runs[r].text, parser.runs[r].length);
            at += parser.runs[r].length;
        }
        *at = '\0';
        if (element->flags & TEXT_OWNED) std::free(element->text);
        element->text = block;
        element->flags |= TEXT_OWNED;
    }
    drop_runs(parser, first);
    return block != nullptr;
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
    OpenElement frame{element, name_length, nullptr, 0, parser.groups.size(), parser.runs.size(),
                      0};
    if (!parser.open.push(frame)) return out_of_memory(parser, name);
    document->current_element = element;
    return true;
}

XmlDocument* end_element(Parser& parser, const char* name, std::size_t name_length,
                         const char* position) {
    XmlDocument* document = parser.document;
    XmlElement* current = document->current_element;
    if (!current || !current->name ||
        !same_name(current->name, parser.open.back().name_length, name, name_length))
        return record_error(parser, position, "unexpected closing tag </%s>", name);
    OpenElement& frame = parser.open.back();
    if (!join_runs(parser, frame)) return record_error(parser, position, "out of memory");
    parser.groups.close(frame.first_group);
    parser.open.pop();
    document->current_element = current->parent;
    return nullptr;
}

bool append_content(Parser& parser, char* start, std::size_t length, char mode, std::size_t clean) {
    XmlElement* element = parser.document->current_element;
    if (!element || !element->name || length == 0) return true;
    start[length] = '\0';
    TextRun run{start, length, false};
    if (clean < length || mode == '*') {
        Decoded decoded = decode_text(parser.decoding, start, length, parser.entities, mode, clean);
        if (decoded.status != DecodeStatus::ok) return decode_failed(parser, decoded.status, start);
        if (decoded.lost_line_ends) parser.lines.note(start, start, decoded.lost_line_ends);
        run = {decoded.text, decoded.length, decoded.text != start};
    }
    OpenElement& frame = parser.open.back();
    frame.text_length += run.length;
    if (frame.text_length == run.length) {
        // Still empty so far (perhaps after a run that decoded to nothing):
        // the run replaces the text rather than joining it.
        if (element->flags & TEXT_OWNED) std::free(element->text);
        element->text = run.text;
        element->flags = static_cast<std::uint16_t>(run.owned ? element->flags | TEXT_OWNED
                                                              : element->flags & ~TEXT_OWNED);
        return true;
    }
    if (parser.runs.push(run)) return true;
    frame.text_length -= run.length;
    if (run.owned) std::free(run.text);
    return out_of_memory(parser, start);
}

void finish_tables(Parser& parser) {
    for (std::size_t i = parser.open.size(); i-- > 0;) join_runs(parser, parser.open[i]);
    parser.entities.trim();
    parser.declarations.trim();
    trim_instruction_table(parser);
}

}  // namespace xmlslice::detail
