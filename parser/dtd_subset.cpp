// The internal DTD subset: general and parameter entities with literal
// values, attribute-list declarations, and processing instructions. Nothing
// is validated; other markup is passed over.
#include <cstdlib>
#include <cstring>

#include "parser/entity_set.hpp"
#include "parser/parser.hpp"
#include "support/byte_search.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

constexpr const char* blanks = " \t\n\r";

// Where reading goes on after a step (null: it finishes), and whether the
// step recorded an error. A malformed default value does both: the main
// scan resumes at it.
struct Step {
    char* at;
    bool failed;
};

class SubsetReader {
  public:
    explicit SubsetReader(Parser& parser)
        : parser_(parser),
          parameters_(&parameter_table_),
          general_check_(parser.entities, '&', parser.decoding),
          parameter_check_(parameters_, '%', parser.decoding) {}
    ~SubsetReader();

    // False when an error was recorded. The subset ends in a NUL, so every
    // search here stops at its end at the latest, and the reading goes on
    // past what a search finds or ends where it finds nothing: one pass.
    bool read(char* at);

  private:
    Step declaration(char* at);
    Step entity_declaration(char* at);
    Step entity_value(char* name, std::size_t name_length, char* value, char quote, bool parameter);
    Step attlist_declaration(char* at);
    Step attribute_definition(char* element, std::size_t element_length, char* name);
    Step default_value(char* element, std::size_t element_length, char* name,
                       std::size_t name_length, const char* marker, char* at);
    Step fail(const char* position, const char* message) {
        record_error(parser_, position, message);
        return {nullptr, true};
    }
    Step failed_decode(DecodeStatus status, const char* position) {
        decode_failed(parser_, status, position);
        return {nullptr, true};
    }

    Parser& parser_;
    char** parameter_table_ = nullptr;
    EntitySet parameters_;
    EntityCycleCheck general_check_;
    EntityCycleCheck parameter_check_;
};

SubsetReader::~SubsetReader() {
    for (std::size_t entry = 0; entry < parameters_.count(); ++entry)
        if (!lies_in_text(parser_.document, parameters_.value(entry)))
            std::free(const_cast<char*>(parameters_.value(entry)));
    std::free(parameter_table_);
}

bool SubsetReader::read(char* at) {
    bool failed = false;
    while (at && *at) {
        at += std::strcspn(at, "<%");
        if (!*at) break;
        Step step = declaration(at);
        failed |= step.failed;
        at = step.at;
    }
    return !failed;
}

Step SubsetReader::declaration(char* at) {
    if (std::strncmp(at, "<!ENTITY", 8) == 0) return entity_declaration(at + 8);
    if (std::strncmp(at, "<!ATTLIST", 9) == 0) return attlist_declaration(at + 9);
    if (char* end = end_of_comment_or_instruction(at); end != at) {
        if (!*end) return {nullptr, false};
        if (at[1] == '?' && !record_instruction(parser_, at + 2, end - 1 - (at + 2)))
            return {nullptr, true};
        return {end, false};
    }
    if (*at == '<') return {std::strchr(at + 1, '>'), false};
    // A parameter-entity reference between declarations may stand for
    // anything, so only a standalone document reads on.
    return {parser_.document->standalone ? at + 1 : nullptr, false};
}

Step SubsetReader::entity_declaration(char* at) {
    char* kind = at + std::strspn(at, blanks);
    char* name = kind + std::strspn(kind, " \t\n\r%");
    char* name_end = name + std::strcspn(name, blanks);
    if (!*name_end) return {nullptr, false};  // cut off inside its name: touch nothing beyond
    parser_.lines.overwrite(name, name_end, ';');
    char* quote = name_end + 1 + std::strspn(name_end + 1, blanks);
    if (*quote != '"' && *quote != '\'') return {std::strchr(name_end + 1, '>'), false};
    char delimiter = *quote;
    parser_.lines.overwrite(name, name_end + 1, '\0');  // perhaps the opening quote, read
    return entity_value(name, name_end + 1 - name, quote + 1, delimiter, *kind == '%');
}

// A literal value: decoded with the parameter entities expanded, refused
// when it would make expansion endless.
Step SubsetReader::entity_value(char* name, std::size_t name_length, char* value, char quote,
                                bool parameter) {
    EntitySet& table = parameter ? parameters_ : parser_.entities;
    if (!table.reserve_one()) return fail(name, "out of memory");
    char* value_end = strchrnul(value, quote);
    bool unterminated = !*value_end;
    *value_end = '\0';
    Decoded decoded = decode_noted(parser_, name, value, value_end - value, parameters_,
                                   DecodeMode::entity_value);
    if (decoded.status != DecodeStatus::ok) return failed_decode(decoded.status, value);
    EntityCycleCheck& check = parameter ? parameter_check_ : general_check_;
    bool acyclic = check.entity_is_acyclic(name, name_length, decoded.text, decoded.length);
    if (!acyclic || parser_.decoding.over_limit()) {
        if (decoded.text != value) std::free(decoded.text);
        if (acyclic) return failed_decode(DecodeStatus::too_large, value);
        record_error(
            parser_, value,
            parameter ? "circular entity declaration %%%s" : "circular entity declaration &%s",
            name);
        return {nullptr, true};
    }
    if (!table.add(name, name_length, decoded.text, decoded.length))
        return fail(name, "out of memory");
    return {unterminated ? nullptr : value_end + 1, false};
}

Step SubsetReader::attlist_declaration(char* at) {
    char* element = at + std::strspn(at, blanks);
    char* element_end = element + std::strcspn(element, " \t\n\r>");
    if (*element_end == '>') return {element_end, false};
    if (!*element_end) return fail(element_end, "unclosed <!ATTLIST");
    parser_.lines.overwrite(element, element_end, '\0');
    std::size_t element_length = element_end - element;
    for (at = element_end + 1;;) {
        at += std::strspn(at, blanks);
        if (!*at || *at == '>') return {at, false};
        Step step = attribute_definition(element, element_length, at);
        if (step.failed || !step.at) return step;
        at = step.at;
    }
}

// Name, type and default of one attribute.
Step SubsetReader::attribute_definition(char* element, std::size_t element_length, char* name) {
    char* name_end = name + std::strcspn(name, blanks);
    if (!*name_end) return fail(element, "malformed <!ATTLIST");
    parser_.lines.overwrite(element, name_end, '\0');
    char* at = name_end + 1 + std::strspn(name_end + 1, blanks);
    const char* marker = std::strncmp(at, "CDATA", 5) == 0 ? " " : "*";
    if (std::strncmp(at, "NOTATION", 8) == 0) at += 8 + std::strspn(at + 8, blanks);
    if (*at == '(') {
        at = std::strchr(at, ')');
        if (!at) return fail(element, "malformed <!ATTLIST");
    } else {
        at += std::strcspn(at, blanks);
    }
    at += std::strspn(at, " \t\n\r)");
    if (std::strncmp(at, "#FIXED", 6) == 0) at += 6 + std::strspn(at + 6, blanks);
    return default_value(element, element_length, name, name_end - name, marker, at);
}

// '#REQUIRED' and the like, or a quoted value decoded in the type's mode.
// Of an attribute without a default only a non-CDATA one is stored, so its
// type still decides how its values are decoded.
Step SubsetReader::default_value(char* element, std::size_t element_length, char* name,
                                 std::size_t name_length, const char* marker, char* at) {
    char* value = nullptr;
    char* next = at;
    if (*at == '#') {
        next = at + std::strcspn(at, " \t\n\r>");
        if (*marker == ' ') return {next, false};
    } else if (*at == '"' || *at == '\'') {
        char* value_end = std::strchr(at + 1, *at);
        if (!value_end) return fail(element, "malformed <!ATTLIST");
        *value_end = '\0';
        Decoded decoded = decode_noted(parser_, element, at + 1, value_end - (at + 1),
                                       parser_.entities, mode_of_marker(marker));
        if (decoded.status != DecodeStatus::ok) return failed_decode(decoded.status, at + 1);
        value = decoded.text;
        next = value_end + 1;
    } else {
        record_error(parser_, element, "malformed <!ATTLIST");
        return {at, true};
    }
    if (parser_.declarations.add(element, element_length, name, name_length, value, marker))
        return {next, false};
    if (value && value != at + 1) std::free(value);
    return fail(name, "out of memory");
}

}  // namespace

[[gnu::cold]] char* end_of_comment_or_instruction(char* at) {
    bool comment = std::strncmp(at, "<!--", 4) == 0;
    if (!comment && at[1] != '?') return at;
    char* end = find_run(at + (comment ? 4 : 2), comment ? "-->" : "?>");
    return *end ? end + 1 + comment : end;
}

// Read once per document, so compiled for size.
[[gnu::cold]] bool read_internal_subset(Parser& parser, char* start, std::size_t length) {
    start[length] = '\0';
    return SubsetReader(parser).read(start);
}

}  // namespace xmlslice::detail
