// The document scanner: one forward pass over the text that cuts it into
// NUL-terminated strings in place and builds the tree as it goes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/parser.hpp"
#include "support/byte_search.hpp"
#include "tree/tables.hpp"

namespace xmlslice::detail {

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
    Ending read_attributes(char* name, std::size_t name_length, char* at);
    char* read_attribute(char* at, std::size_t declared);
    char* read_value(char* attribute, std::size_t length, char* quote, std::size_t declared);
    Ending finish_tag(char* name, std::size_t name_length, char* at, bool empty);
    AttributeList take_attributes();
    void drop_attributes();
    Ending end_tag(char* lt);
    char* end_of_open_name(const char* open, char* at) const;
    Ending comment(char* lt);
    Ending cdata_section(char* lt);
    Ending instruction(char* lt);
    [[gnu::cold]] Ending doctype(char* lt);
    bool text_run(char* start, std::size_t length, DecodeMode mode, std::size_t clean);
    Ending fail(const char* position, const char* message, int quote = 0);
    void finish(char* position);

    Parser& parser_;
    XmlDocument* document_;
    char* tag_ = nullptr;     // the name of the start tag being read
    PodVector<char*> pairs_;  // its attributes so far
    bool owned_values_ = false;
};

Ending Scanner::fail(const char* position, const char* message, int quote) {
    record_error(parser_, position, message, quote);
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
        if (!text_run(next, lt - next, DecodeMode::content, stop - next)) return;
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
        // A line feed moves on into a following space or tab, so no line end
        // is lost; only an error inside these blanks could tell.
        if (*at == '\n' && (at[1] == ' ' || at[1] == '\t'))
            at[1] = '\n';
        else
            parser_.lines.note_overwrite(name, at);
        *at = '\0';
        at = skip_while(at + 1, SPACE);
    }
    if (*at == '/' || *at == '>' || !*at) return finish_tag(name, name_length, at, *at == '/');
    return read_attributes(name, name_length, at);
}

Ending Scanner::read_attributes(char* name, std::size_t name_length, char* at) {
    std::size_t declared = parser_.declarations.empty()
                               ? AttributeDeclarations::none
                               : parser_.declarations.find_list(name, name_length);
    tag_ = name;
    do {
        at = read_attribute(at, declared);
        if (!at) {
            drop_attributes();
            return failure();
        }
        at = skip_while(at, SPACE);
    } while (*at != '/' && *at != '>' && *at);
    return finish_tag(name, name_length, at, *at == '/');
}

// One attribute, from its name to its value if it has one: where scanning
// goes on, or null after an error. Attributes need no blank between them.
char* Scanner::read_attribute(char* at, std::size_t declared) {
    char* name = at;
    if (!pairs_.push(name) || !pairs_.push(empty_text()))
        return (out_of_memory(parser_, tag_), nullptr);
    at = skip_until(at, STOP_ATTR_NAME);
    if (*at != '=' && !has_class(*at, BLANK)) return at;
    std::size_t length = at - name;
    if (*at != '=') parser_.lines.note_overwrite(tag_, at);
    *at = '\0';
    at = skip_while(at + 1, SKIP_BEFORE_VALUE);  // any mix of blanks and '='
    if (*at != '"' && *at != '\'') return at;
    return read_value(name, length, at, declared);
}

// A quoted value, decoded as its declaration says: the byte after its
// closing quote, or null after an error.
char* Scanner::read_value(char* attribute, std::size_t length, char* quote, std::size_t declared) {
    char* value = quote + 1;
    char* stop = find_value_stop(value, *quote);
    char* end = *stop == *quote ? stop : strchrnul(stop, *quote);
    if (!*end) return (fail(tag_, "missing %c", *quote), nullptr);
    *end = '\0';
    DecodeMode mode = declared == AttributeDeclarations::none
                          ? DecodeMode::attribute
                          : parser_.declarations.mode_of(declared, attribute, length);
    if (stop == end && mode == DecodeMode::attribute) {
        pairs_.back() = value;
        return end + 1;
    }
    Decoded decoded =
        decode_text(parser_.decoding, value, end - value, parser_.entities, mode, stop - value);
    if (decoded.status != DecodeStatus::ok)
        return (decode_failed(parser_, decoded.status, value), nullptr);
    if (decoded.lost_line_ends) parser_.lines.note(tag_, value, decoded.lost_line_ends);
    pairs_.back() = decoded.text;
    owned_values_ |= decoded.text != value;
    return end + 1;
}

// The attributes read as one list, each value the decoder moved to the
// heap marked as the list's; null without memory.
AttributeList Scanner::take_attributes() {
    std::size_t count = pairs_.size() / 2;
    if (!count) return empty_table();
    AttributeList list = attribute_list_new(count);
    if (!list) return nullptr;
    std::memcpy(list, pairs_.data(), 2 * count * sizeof(char*));
    char* ownership = list[2 * count + 1];
    std::memset(ownership, OWNS_NOTHING, count);
    for (std::size_t k = 0; owned_values_ && k < count; ++k)
        if (list[2 * k + 1] != empty_string && !lies_in_text(document_, list[2 * k + 1]))
            ownership[k] = static_cast<char>(OWNS_VALUE);
    pairs_.clear();
    owned_values_ = false;
    return list;
}

void Scanner::drop_attributes() {
    for (std::size_t k = 1; owned_values_ && k < pairs_.size(); k += 2)
        if (pairs_[k] != empty_string && !lies_in_text(document_, pairs_[k])) std::free(pairs_[k]);
    pairs_.clear();
    owned_values_ = false;
}

// At the '/' of an empty-element tag, the '>' or the end of the text.
Ending Scanner::finish_tag(char* name, std::size_t name_length, char* at, bool empty) {
    char* close = at;
    if (empty) {
        *at = '\0';
        close = at + 1;
    }
    if (!parser_.closes(close)) {
        drop_attributes();
        return fail(name, "missing >");
    }
    bool at_end = !*close;
    *close = '\0';  // ends the last name before the element is made
    AttributeList list = take_attributes();
    if (!list) drop_attributes();
    if (!list || !parser_.tree.open(name, name_length, list)) return fail(name, "out of memory");
    if (empty) parser_.tree.close();  // nothing to join
    return at_end ? ran_to_end(name) : closed_at(close);
}

// Where the end tag's name at `at` ends when it is the open element's name,
// or null. Eight bytes are compared at a time while both names lie before
// the end of the text.
char* Scanner::end_of_open_name(const char* open, char* at) const {
    for (const char* end = document_->text_end; end - at >= 8; at += 8, open += 8) {
        std::uint64_t expected, found;
        std::memcpy(&expected, open, 8);
        std::memcpy(&found, at, 8);
        if (std::uint64_t zeros = nul_marks(expected)) {  // the name ends in this word
            if ((expected ^ found) & (zeros ^ (zeros - 1)) >> 8) return nullptr;
            at += __builtin_ctzll(zeros) / 8;
            return has_class(*at, STOP_END_NAME) ? at : nullptr;
        }
        if (expected != found) return nullptr;
    }
    while (*open && *open == *at) ++open, ++at;
    return !*open && has_class(*at, STOP_END_NAME) ? at : nullptr;
}

Ending Scanner::end_tag(char* lt) {
    char* name = lt + 2;
    XmlElement* open = document_->current_element;
    char* at = open && open->name ? end_of_open_name(open->name, name) : nullptr;
    bool matches = at != nullptr;
    if (!matches) at = skip_until(name, STOP_END_NAME);
    if (!*at && !parser_.final_byte_was_gt) return fail(name, "missing >");
    char after = *at;
    *at = '\0';
    if (!matches) {
        record_error(parser_, at, "unexpected closing tag </%s>", name);
        return failure();
    }
    if (!parser_.tree.close()) return fail(at, "out of memory");
    if (!after) return ran_to_end(name);
    if (has_class(after, BLANK)) {
        parser_.lines.note_replaced(name, at, after);
        at = skip_while(at + 1, BLANK);  // the byte reached is the '>', unexamined
        if (!*at) return ran_to_end(name);
    }
    return closed_at(at);
}

Ending Scanner::comment(char* lt) {
    char* dashes = find_run(lt + 4, "--");
    if (!*dashes || !parser_.closes(dashes + 2)) return fail(lt + 1, "unclosed <!--");
    return dashes[2] ? closed_at(dashes + 2) : ran_to_end(lt + 1);
}

Ending Scanner::cdata_section(char* lt) {
    char* content = lt + 9;
    char* end = find_run(content, "]]>");
    if (!*end) return fail(lt + 1, "unclosed <![CDATA[");
    if (!text_run(content, end - content, DecodeMode::cdata, 0)) return failure();
    return closed_at(end + 2);
}

Ending Scanner::instruction(char* lt) {
    char* start = lt + 2;
    for (char* question = start;; ++question) {
        question = strchrnul(question, '?');
        if (!*question) return fail(lt + 1, "unclosed <?");
        if (!parser_.closes(question + 1)) continue;
        if (!record_instruction(parser_, start, question - start)) return failure();
        return question[1] ? closed_at(question + 1) : ran_to_end(lt + 1);
    }
}

namespace {

// The last byte of the quoted literal, comment or instruction of a subset
// that starts at `at`; the NUL when it is not closed; `at` itself for other
// markup, whose literals are passed over one by one.
char* passed_over(char* at) {
    return *at == '<' ? end_of_comment_or_instruction(at) : strchrnul(at + 1, *at);
}

}  // namespace

// Only the internal subset matters: the walk stops at '[', ']' and '>', and
// the subset ends at a ']' followed by optional blanks and '>'. Inside the
// subset a quoted literal, comment or instruction is passed over whole, so
// a ']' or '>' in it ends nothing. Once one is left open, the rest is walked
// as if none were there: an open one hides nothing, and no search for a
// close that is not there is made twice.
Ending Scanner::doctype(char* lt) {
    char* subset = nullptr;
    bool pass_over = true;
    for (char* at = lt + 2;; ++at) {
        at += std::strcspn(at, subset && pass_over ? "[]>\"'<" : "[]>");
        if (*at == '"' || *at == '\'' || *at == '<') {
            char* end = passed_over(at);
            if (*end) {
                at = end;
                continue;
            }
            pass_over = false;
        }
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
            if (!parser_.closes(at)) return fail(lt + 1, "unclosed <!DOCTYPE");
            if (!subset) return ran_to_end(lt + 1);
            if (!read_internal_subset(parser_, subset, at - subset)) return failure();
            return ran_to_end(subset);
        }
    }
}

// Character data or a CDATA section of the open element; outside the root
// it is dropped unread.
bool Scanner::text_run(char* start, std::size_t length, DecodeMode mode, std::size_t clean) {
    XmlElement* element = document_->current_element;
    if (!element || !element->name || length == 0) return true;
    start[length] = '\0';
    char* text = start;
    if (clean < length) {
        Decoded decoded =
            decode_text(parser_.decoding, start, length, parser_.entities, mode, clean);
        if (decoded.status != DecodeStatus::ok)
            return decode_failed(parser_, decoded.status, start);
        if (decoded.lost_line_ends) parser_.lines.note(start, start, decoded.lost_line_ends);
        text = decoded.text;
        length = decoded.length;
    }
    return parser_.tree.add_text(text, length, text != start) || out_of_memory(parser_, start);
}

}  // namespace

void scan_document(Parser& parser, char* text) {
    Scanner(parser).scan(text);
}

}  // namespace xmlslice::detail
