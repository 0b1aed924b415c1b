// The internal DTD subset: general and parameter entities with literal
// values, attribute-list declarations, and processing instructions. Nothing
// is validated; other markup is passed over.
#include <cstdlib>
#include <cstring>

#include "parser/byte_class.hpp"
#include "parser/entity_cycles.hpp"
#include "parser/parser.hpp"
#include "tree/tree_internal.hpp"

namespace xmlslice::detail {

namespace {

constexpr const char* blanks = " \t\n\r";

class SubsetReader {
  public:
    SubsetReader(Parser& parser)
        : parser_(parser),
          document_(parser.document),
          parameters_(&parameter_table_),
          general_check_(parser.entities, '&', parser.decoding),
          parameter_check_(parameters_, '%', parser.decoding) {}
    ~SubsetReader();

    void read(char* start);

  private:
    char* entity_declaration(char* at);
    char* attlist_declaration(char* at);
    char* attribute_definition(char* element, std::size_t element_length, char* at);
    bool store_attribute(char* element, std::size_t element_length, char* name,
                         std::size_t name_length, char* default_value, const char* marker);
    char* finish(const char* position, const char* message) {
        if (message) record_error(parser_, position, message);
        return nullptr;
    }

    Parser& parser_;
    XmlDocument* document_;
    char** parameter_table_ = nullptr;
    EntitySet parameters_;
    EntityCycleCheck general_check_;
    EntityCycleCheck parameter_check_;
    bool resume_scan_ = false;  // a malformed default: the main scan goes on from it
};

SubsetReader::~SubsetReader() {
    for (std::size_t entry = 0; entry < parameters_.count(); ++entry)
        if (!lies_in_text(document_, parameters_.value(entry)))
            std::free(const_cast<char*>(parameters_.value(entry)));
    std::free(parameter_table_);
}

void SubsetReader::read(char* at) {
    while (at && *at) {
        if (*at != '<' && *at != '%') {
            at += std::strcspn(at, "<%");
            continue;
        }
        char* found = nullptr;
        if (std::strncmp(at, "<!ENTITY", 8) == 0) {
            at = entity_declaration(at + 8);
        } else if (std::strncmp(at, "<!ATTLIST", 9) == 0) {
            at = attlist_declaration(at + 9);
        } else if (std::strncmp(at, "<!--", 4) == 0) {
            at = std::strstr(at + 4, "-->");
        } else if (std::strncmp(at, "<?", 2) == 0) {
            if ((found = std::strstr(at + 2, "?>")) &&
                !record_instruction(parser_, at + 2, found - (at + 2)))
                return;
            at = found ? found + 1 : nullptr;
        } else if (*at == '<') {
            at = std::strchr(at + 1, '>');
        } else {
            // A parameter-entity reference between declarations may stand for
            // anything, so only a standalone document reads on.
            at = document_->standalone ? at + 1 : nullptr;
        }
    }
}

char* SubsetReader::entity_declaration(char* at) {
    char* kind = at + std::strspn(at, blanks);
    char* name = kind + std::strspn(kind, " \t\n\r%");
    char* name_end = name + std::strcspn(name, blanks);
    if (!*name_end) return nullptr;  // cut off inside its name: touch nothing beyond
    bool parameter = *kind == '%';
    parser_.lines.note_overwrite(name, name_end);
    *name_end = ';';
    char* quote = name_end + 1 + std::strspn(name_end + 1, blanks);
    if (*quote != '"' && *quote != '\'') return std::strchr(name_end + 1, '>');

    EntitySet& table = parameter ? parameters_ : parser_.entities;
    if (!table.reserve_one()) return finish(name, "out of memory");
    char delimiter = *quote;
    parser_.lines.note_overwrite(name, name_end + 1);
    name_end[1] = '\0';
    char* value = quote + 1;
    char* value_end = strchrnul(value, delimiter);
    bool unterminated = !*value_end;
    *value_end = '\0';
    Decoded decoded = decode_text(parser_.decoding, value, value_end - value, parameters_, '%');
    if (decoded.status != DecodeStatus::ok)
        return (decode_failed(parser_, decoded.status, value), nullptr);
    if (decoded.lost_line_ends) parser_.lines.note(name, value, decoded.lost_line_ends);

    std::size_t name_length = name_end + 1 - name;
    EntityCycleCheck& check = parameter ? parameter_check_ : general_check_;
    bool acyclic = check.entity_is_acyclic(name, name_length, decoded.text, decoded.length);
    if (!acyclic || parser_.decoding.over_limit()) {
        if (decoded.text != value) std::free(decoded.text);
        if (acyclic) return (decode_failed(parser_, DecodeStatus::too_large, value), nullptr);
        record_error(
            parser_, value,
            parameter ? "circular entity declaration %%%s" : "circular entity declaration &%s",
            name);
        return nullptr;
    }
    if (!table.add(name, name_length, decoded.text, decoded.length))
        return finish(name, "out of memory");
    return unterminated ? nullptr : value_end + 1;
}

char* SubsetReader::attlist_declaration(char* at) {
    char* element = at + std::strspn(at, blanks);
    if (!*element) return finish(element, "unclosed <!ATTLIST");
    char* element_end = element + std::strcspn(element, " \t\n\r>");
    if (*element_end == '>') return element_end;
    if (!*element_end) return finish(element_end, "unclosed <!ATTLIST");
    parser_.lines.note_overwrite(element, element_end);
    *element_end = '\0';
    std::size_t element_length = element_end - element;
    for (at = element_end + 1;;) {
        at += std::strspn(at, blanks);
        if (!*at || *at == '>') return at;
        at = attribute_definition(element, element_length, at);
        if (!at) return nullptr;
        if (resume_scan_) {
            resume_scan_ = false;
            return at;
        }
    }
}

// One attribute definition: name, type, default. Returns where reading goes
// on; a malformed default lets the main scan resume at its byte.
char* SubsetReader::attribute_definition(char* element, std::size_t element_length, char* at) {
    char* name = at;
    char* name_end = name + std::strcspn(name, blanks);
    if (!*name_end) return finish(element, "malformed <!ATTLIST");
    parser_.lines.note_overwrite(element, name_end);
    *name_end = '\0';
    at = name_end + 1 + std::strspn(name_end + 1, blanks);
    const char* marker = std::strncmp(at, "CDATA", 5) == 0 ? " " : "*";
    if (std::strncmp(at, "NOTATION", 8) == 0) at += 8 + std::strspn(at + 8, blanks);
    if (*at == '(') {
        at = std::strchr(at, ')');
        if (!at) return finish(element, "malformed <!ATTLIST");
    } else {
        at += std::strcspn(at, blanks);
    }
    at += std::strspn(at, " \t\n\r)");
    if (std::strncmp(at, "#FIXED", 6) == 0) at += 6 + std::strspn(at + 6, blanks);

    std::size_t name_length = name_end - name;
    if (*at == '#') {
        at += std::strcspn(at, " \t\n\r>");
        bool stored = *marker == ' ' ||
                      store_attribute(element, element_length, name, name_length, nullptr, marker);
        return stored ? at : nullptr;
    }
    if (*at != '"' && *at != '\'') {
        record_error(parser_, element, "malformed <!ATTLIST");
        resume_scan_ = true;
        return at;
    }
    char* value = at + 1;
    char* value_end = std::strchr(value, *at);
    if (!value_end) return finish(element, "malformed <!ATTLIST");
    *value_end = '\0';
    Decoded decoded =
        decode_text(parser_.decoding, value, value_end - value, parser_.entities, *marker);
    if (decoded.status != DecodeStatus::ok)
        return (decode_failed(parser_, decoded.status, value), nullptr);
    if (decoded.lost_line_ends) parser_.lines.note(element, value, decoded.lost_line_ends);
    if (!store_attribute(element, element_length, name, name_length, decoded.text, marker)) {
        if (decoded.text != value) std::free(decoded.text);
        return nullptr;
    }
    return value_end + 1;
}

bool SubsetReader::store_attribute(char* element, std::size_t element_length, char* name,
                                   std::size_t name_length, char* default_value,
                                   const char* marker) {
    AttributeDeclarations& declarations = parser_.declarations;
    std::size_t list = declarations.list_for(element, element_length);
    if (list == AttributeDeclarations::none ||
        !declarations.add(list, name, name_length, default_value, marker))
        return out_of_memory(parser_, name);
    return true;
}

}  // namespace

bool read_internal_subset(Parser& parser, char* start, std::size_t length) {
    start[length] = '\0';
    {
        SubsetReader reader(parser);
        reader.read(start);
    }
    return !*parser.document->error;
}

}  // namespace xmlslice::detail
