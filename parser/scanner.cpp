// The document scanner: one forward pass over the text that cuts it into
// NUL-terminated strings in place and builds the tree as it goes.
#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/byte_search.hpp"
#include "parser/parser.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice {

namespace detail {

namespace {

// How a construct ended: at the byte taken as its closing '>' (close), at
// the end of the text (finish, the finishing position), or with an error
// (neither). Two pointers, so it comes back in registers.
struct Ending {
    char* close;
    char* finish;
    bool failed() const { return !close && !finish; }
};

constexpr Ending closed_at(char* close) {
    return {close, nullptr};
}
constexpr Ending ran_to_end(char* finish) {
    return {nullptr, finish};
}
constexpr Ending failure() {
    return {nullptr, nullptr};
}

class Scanner {
  public:
    explicit Scanner(Parser& parser) : parser_(parser), document_(parser.document) {}
    void scan(char* text);

  private:
    Ending construct(char* lt);
    Ending start_tag(char* lt);
    Ending read_attributes(char* name, char* at, std::size_t name_length);
    Ending finish_tag(char* name, std::size_t name_length, char* at, bool empty);
    Ending end_tag(char* lt);
    Ending comment(char* lt);
    Ending cdata_section(char* lt);
    Ending instruction(char* lt);
    Ending doctype(char* lt);
    Ending fail(const char* position, const char* message);
    Ending drop_attributes_and_fail(const char* position, const char* message, int quote = 0);
    AttributeList take_attribute_list();
    bool decode_attribute(std::size_t declared, char* name, std::size_t name_length, char* value,
                          char* value_end, std::size_t clean);
    void finish(char* position);

    Parser& parser_;
    XmlDocument* document_;
    const char* tag_ = nullptr;  // the name of the start tag being read
};

Ending Scanner::fail(const char* position, const char* message) {
    record_error(parser_, position, message);
    return failure();
}

void Scanner::finish(char* position) {
    XmlElement* current = document_->current_element;
    if (!current) return;
    if (!current->name)
        record_error(parser_, position, "root tag missing");
    else
        record_error(parser_, position, "unclosed tag <%s>", current->name);
}

void Scanner::scan(char* text) {
    char* lt = strchrnul(text, '<');
    if (!*lt) return (void)record_error(parser_, lt, "root tag missing");
    for (;;) {
        Ending ending = construct(lt);
        if (ending.failed()) return;
        if (!ending.close) return finish(ending.finish);
        *ending.close = '\0';
        char* next = ending.close + 1;
        if (*next == '<') {
            lt = next;
            continue;
        }
        char* stop = find_content_stop(next);
        lt = *stop == '<' ? stop : strchrnul(stop, '<');
        if (!*lt) return finish(next);
        if (!append_content(parser_, next, lt - next, '&', stop - next)) return;
    }
}

// The '<' itself may already be a NUL (character data before it ends there).
Ending Scanner::construct(char* lt) {
    const char* after = lt + 1;
    if (has_class(*after, NAME_START)) return start_tag(lt);
    if (*after == '/') return end_tag(lt);
    if (std::strncmp(after, "!--", 3) == 0) return comment(lt);
    if (std::strncmp(after, "![CDATA[", 8) == 0) return cdata_section(lt);
    if (std::strncmp(after, "!DOCTYPE", 8) == 0) return doctype(lt);
    if (*after == '?') return instruction(lt);
    return fail(after, "unexpected <");
}

Ending Scanner::start_tag(char* lt) {
    char* name = lt + 1;
    if (!document_->current_element) return fail(name, "markup outside of root element");
    char* at = skip_until(name, STOP_TAG_NAME);
    std::size_t name_length = at - name;
    if (has_class(*at, BLANK)) {  // the name ends here; the blanks after it stay
        parser_.lines.note_overwrite(name, at);
        *at = '\0';
        at = skip_while(at + 1, SPACE);
    }
    if (*at == '/' || *at == '>' || !*at) return finish_tag(name, name_length, at, *at == '/');
    return read_attributes(name, at, name_length);
}

AttributeList Scanner::take_attribute_list() {
    std::size_t count = parser_.ownership.size();
    if (!count) return empty_table();
    auto** list = static_cast<char**>(std::malloc((2 * count + 2) * sizeof(char*)));
    auto* ownership = static_cast<char*>(std::malloc(count + 1));
    if (!list || !ownership) {
        std::free(list);
        std::free(ownership);
        return nullptr;
    }
    std::memcpy(list, parser_.attribute_slots.data(), 2 * count * sizeof(char*));
    std::memcpy(ownership, parser_.ownership.data(), count);
    ownership[count] = '\0';
    list[2 * count] = nullptr;
    list[2 * count + 1] = ownership;
    parser_.ownership.clear();
    parser_.attribute_slots.clear();
    return list;
}

Ending Scanner::drop_attributes_and_fail(const char* position, const char* message, int quote) {
    for (std::size_t k = 0; k < parser_.ownership.size(); ++k)
        if (parser_.ownership[k] & OWNS_VALUE) std::free(parser_.attribute_slots[2 * k + 1]);
    parser_.ownership.clear();
    parser_.attribute_slots.clear();
    if (message) record_error(parser_, position, message, quote);
    return failure();
}

// Decodes a quoted value in the mode its declaration gives (' ' when none);
// a value whose first `clean` bytes are all of it needs no work in mode ' '.
bool Scanner::decode_attribute(std::size_t declared, char* name, std::size_t name_length,
                               char* value, char* value_end, std::size_t clean) {
    char mode = declared == AttributeDeclarations::none
                    ? ' '
                    : parser_.declarations.mode_of(declared, name, name_length);
    auto length = static_cast<std::size_t>(value_end - value);
    if (clean == length && mode == ' ') {
        parser_.attribute_slots.back() = value;
        return true;
    }
    Decoded decoded = decode_text(parser_.decoding, value, length, parser_.entities, mode, clean);
    if (decoded.status != DecodeStatus::ok) return decode_failed(parser_, decoded.status, value);
    if (decoded.lost_line_ends) parser_.lines.note(tag_, value, decoded.lost_line_ends);
    parser_.attribute_slots.back() = decoded.text;
    if (decoded.text != value) parser_.ownership.back() = static_cast<char>(OWNS_VALUE);
    return true;
}

Ending Scanner::read_attributes(char* name, char* at, std::size_t name_length) {
    std::size_t declared = parser_.declarations.empty()
                               ? AttributeDeclarations::none
                               : parser_.declarations.find_list(name, name_length);
    tag_ = name;
    for (;;) {
        char* attribute = at;
        if (!parser_.attribute_slots.push(attribute) ||
            !parser_.attribute_slots.push(empty_text()) || !parser_.ownership.push(' ')) {
            out_of_memory(parser_, name);
            return drop_attributes_and_fail(name, nullptr);
        }
        at = skip_until(at, STOP_ATTR_NAME);
        if (*at == '=' || has_class(*at, BLANK)) {
            std::size_t attribute_length = at - attribute;
            if (*at != '=') parser_.lines.note_overwrite(name, at);
            *at = '\0';
            at = skip_while(at + 1, SKIP_BEFORE_VALUE);
            if (*at == '"' || *at == '\'') {
                char quote = *at;
                char* value = at + 1;
                char* stop = find_value_stop(value, quote);
                char* value_end = *stop == quote ? stop : strchrnul(stop, quote);
                if (!*value_end) return drop_attributes_and_fail(name, "missing %c", quote);
                *value_end = '\0';
                at = value_end + 1;
                if (!decode_attribute(declared, attribute, attribute_length, value, value_end,
                                      stop - value))
                    return drop_attributes_and_fail(name, nullptr);
            }
        }
        at = skip_while(at, SPACE);
        if (*at == '/' || *at == '>' || !*at) return finish_tag(name, name_length, at, *at == '/');
    }
}

// At the '/' of an empty-element tag, the '>' or the end of the text.
Ending Scanner::finish_tag(char* name, std::size_t name_length, char* at, bool empty) {
    char* close = at;
    if (empty) {
        *at = '\0';
        close = at + 1;
        if (*close != '>' && (*close || !parser_.final_byte_was_gt))
            return drop_attributes_and_fail(name, "missing >");
    } else if (!*at && !parser_.final_byte_was_gt) {
        return drop_attributes_and_fail(name, "missing >");
    }
    bool at_end = !*close;
    *close = '\0';  // ends the last name before the element is made
    AttributeList list = take_attribute_list();
    if (!list) {
        out_of_memory(parser_, name);
        return drop_attributes_and_fail(name, nullptr);
    }
    if (!start_element(parser_, name, name_length, list)) {
        if (document_->current_element->attributes != list) attribute_list_free(list);
        return failure();
    }
    if (empty) end_element(parser_, name, name_length, close);
    return at_end ? ran_to_end(name) : closed_at(close);
}

Ending Scanner::end_tag(char* lt) {
    char* name = lt + 2;
    char* at = skip_until(name, STOP_END_NAME);
    if (!*at && !parser_.final_byte_was_gt) return fail(name, "missing >");
    char after = *at;
    parser_.lines.note_overwrite(name, at);
    *at = '\0';
    if (end_element(parser_, name, at - name, at)) return failure();
    if (!after) return ran_to_end(name);
    if (has_class(after, BLANK)) {
        at = skip_while(at + 1, BLANK);  // the byte reached is the '>', unexamined
        if (!*at) return ran_to_end(name);
    }
    return closed_at(at);
}

Ending Scanner::comment(char* lt) {
    char* dashes = std::strstr(lt + 4, "--");
    if (!dashes) return fail(lt + 1, "unclosed <!--");
    char* close = dashes + 2;
    if (*close == '>') return closed_at(close);
    if (!*close && parser_.final_byte_was_gt) return ran_to_end(lt + 1);
    return fail(lt + 1, "unclosed <!--");
}

Ending Scanner::cdata_section(char* lt) {
    char* content = lt + 9;
    char* end = std::strstr(content, "]]>");
    if (!end) return fail(lt + 1, "unclosed <![CDATA[");
    if (!append_content(parser_, content, end - content, 'c')) return failure();
    return closed_at(end + 2);
}

Ending Scanner::instruction(char* lt) {
    char* start = lt + 2;
    for (char* question = start;; ++question) {
        question = strchrnul(question, '?');
        if (!*question) return fail(lt + 1, "unclosed <?");
        bool at_end = !question[1] && parser_.final_byte_was_gt;
        if (question[1] != '>' && !at_end) continue;
        if (!record_instruction(parser_, start, question - start)) return failure();
        return at_end ? ran_to_end(lt + 1) : closed_at(question + 1);
    }
}

// Only the internal subset matters: the walk stops at '[', ']' and '>', and
// the subset ends at a ']' followed by optional blanks and '>'.
Ending Scanner::doctype(char* lt) {
    char* subset = nullptr;
    for (char* at = lt + 2;; ++at) {
        at += std::strcspn(at, "[]>");
        if (*at == '[') {
            if (!subset) subset = at + 1;
        } else if (*at == '>' && !subset) {
            return closed_at(at);
        } else if (*at == ']' && subset) {
            char* close = skip_while(at + 1, BLANK);
            if (*close != '>') continue;
            if (!read_internal_subset(parser_, subset, at - subset)) return failure();
            return closed_at(close);
        } else if (!*at) {
            if (!parser_.final_byte_was_gt) return fail(lt + 1, "unclosed <!DOCTYPE");
            if (!subset) return ran_to_end(lt + 1);
            if (!read_internal_subset(parser_, subset, at - subset)) return failure();
            return ran_to_end(subset);
        }
    }
}

// max(8 MiB, factor x length): what entity work a document of that length may cost.
std::size_t bound(std::size_t length, std::size_t factor) {
    std::size_t scaled = length > ~std::size_t(0) / factor ? ~std::size_t(0) : length * factor;
    return scaled > (std::size_t(8) << 20) ? scaled : std::size_t(8) << 20;
}

XmlElement* parse(XmlDocument* document, char* buffer, std::size_t length) {
    Parser parser(document);
    if (length == 0) {
        record_error(parser, nullptr, "root tag missing");
        return &document->root;
    }
    bool no_memory = false;
    document->converted = utf16_to_utf8(buffer, length, no_memory);
    if (no_memory) {
        record_error(parser, nullptr, "out of memory");
        return &document->root;
    }
    document->text_start = buffer;
    document->text_end = buffer + length;
    if (length == 0) {
        record_error(parser, nullptr, "root tag missing");
        return &document->root;
    }
    parser.final_byte_was_gt = buffer[length - 1] == '>';
    buffer[length - 1] = '\0';
    parser.decoding.expansion_limit = bound(length, 100);
    parser.decoding.search_limit = bound(length, 10);
    if (parser.entities.index_existing())
        Scanner(parser).scan(buffer);
    else
        record_error(parser, nullptr, "out of memory");
    finish_tables(parser);
    return &document->root;
}

}  // namespace

}  // namespace detail

XmlElement* document_parse_buffer(char* buffer, std::size_t length) {
    XmlElement* root = document_new(nullptr);
    if (!root) return nullptr;
    auto* document = reinterpret_cast<XmlDocument*>(root);
    document->source = buffer;
    return detail::parse(document, buffer, length);
}

}  // namespace xmlslice
