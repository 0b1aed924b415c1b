#include "select/expression_lexer.hpp"

#include "select/xpath_bytes.hpp"

namespace xmlslice::detail {

namespace {

struct Symbol {
    std::string_view text;
    Tok code;
};

// Symbols of two bytes first, so that "//" is not read as two "/".
constexpr Symbol SYMBOLS[] = {
    {"//", Tok::double_slash},  {"..", Tok::double_dot},
    {"!=", Tok::not_equal},     {"<=", Tok::less_equal},
    {">=", Tok::greater_equal}, {"::", Tok::double_colon},
    {"/", Tok::slash},          {"[", Tok::left_bracket},
    {"]", Tok::right_bracket},  {"(", Tok::left_paren},
    {")", Tok::right_paren},    {"@", Tok::at},
    {"*", Tok::multiply},       {".", Tok::dot},
    {"=", Tok::equal},          {",", Tok::comma},
    {"|", Tok::pipe},           {"<", Tok::less},
    {">", Tok::greater},        {"+", Tok::plus},
    {"-", Tok::minus},
};

const Symbol* symbol_at(std::string_view rest) {
    for (const Symbol& symbol : SYMBOLS)
        if (rest.substr(0, symbol.text.size()) == symbol.text) return &symbol;
    return nullptr;
}

std::size_t ncname_length(std::string_view rest) {
    std::size_t end = 1;
    while (end < rest.size() && is_name_byte(rest[end])) ++end;
    return end;
}

// An NCName, a QName, or prefix:* (then wildcard is set).
std::size_t name_length(std::string_view rest, bool& wildcard) {
    std::size_t end = ncname_length(rest);
    wildcard = false;
    if (end + 1 < rest.size() && rest[end] == ':') {
        if (is_name_start(rest[end + 1])) return end + 1 + ncname_length(rest.substr(end + 1));
        if (rest[end + 1] == '*') {
            wildcard = true;
            return end + 2;
        }
    }
    return end;
}

std::size_t number_length(std::string_view rest) {
    std::size_t end = 0;
    while (end < rest.size() && is_xpath_digit(rest[end])) ++end;
    if (end < rest.size() && rest[end] == '.') {
        ++end;
        while (end < rest.size() && is_xpath_digit(rest[end])) ++end;
    }
    return end;
}

// Whether a '*' or an operator name after this token is an operator.
bool ends_operand(Tok previous) {
    switch (previous) {
        case Tok::end:  // no token before
        case Tok::at:
        case Tok::double_colon:
        case Tok::left_paren:
        case Tok::left_bracket:
        case Tok::comma:
        case Tok::slash:
        case Tok::double_slash:
        case Tok::pipe:
        case Tok::plus:
        case Tok::minus:
        case Tok::equal:
        case Tok::not_equal:
        case Tok::less:
        case Tok::less_equal:
        case Tok::greater:
        case Tok::greater_equal:
        case Tok::multiply:
        case Tok::and_op:
        case Tok::or_op:
        case Tok::div_op:
        case Tok::mod_op:
            return false;
        default:
            return true;
    }
}

Tok operator_name(std::string_view name) {
    if (name == "and") return Tok::and_op;
    if (name == "or") return Tok::or_op;
    if (name == "div") return Tok::div_op;
    if (name == "mod") return Tok::mod_op;
    return Tok::end;
}

bool is_node_type(std::string_view name) {
    return name == "comment" || name == "text" || name == "processing-instruction" ||
           name == "node";
}

// What follows at, past white space.
std::string_view after_space(std::string_view expression, std::size_t at) {
    while (at < expression.size() && is_xpath_space(expression[at])) ++at;
    return expression.substr(at);
}

// The code of a name by what precedes and follows it.
Tok classify_name(std::string_view name, bool wildcard, Tok previous, std::string_view next) {
    if (ends_operand(previous)) {
        Tok op = operator_name(name);
        if (op != Tok::end) return op;
    }
    if (!wildcard && next.substr(0, 1) == "(")
        return is_node_type(name) ? Tok::node_type : Tok::function_name;
    if (!wildcard && next.substr(0, 2) == "::") return Tok::axis_name;
    return Tok::name_test;
}

}  // namespace

bool lex_expression(std::string_view expression, std::vector<Token>& tokens, std::string& problem,
                    std::size_t& column) {
    std::size_t at = 0;
    Tok previous = Tok::end;
    for (;;) {
        while (at < expression.size() && is_xpath_space(expression[at])) ++at;
        if (at == expression.size()) break;
        std::string_view rest = expression.substr(at);
        char first = rest[0];
        Token token{Tok::end, {}, at + 1};
        std::size_t length = 0;
        if (first == '\'' || first == '"') {
            std::size_t close = rest.find(first, 1);
            if (close == std::string_view::npos) {
                problem = "unterminated string";
                column = at + 1;
                return false;
            }
            token.code = Tok::literal;
            token.text = rest.substr(1, close - 1);
            length = close + 1;
        } else if (is_xpath_digit(first) ||
                   (first == '.' && rest.size() > 1 && is_xpath_digit(rest[1]))) {
            token.code = Tok::number;
            length = number_length(rest);
        } else if (is_name_start(first)) {
            bool wildcard = false;
            length = name_length(rest, wildcard);
            token.code = classify_name(rest.substr(0, length), wildcard, previous,
                                       after_space(expression, at + length));
        } else if (first == '$' && rest.size() > 1 && is_name_start(rest[1])) {
            bool wildcard = false;
            length = 1 + name_length(rest.substr(1), wildcard);
            if (wildcard) length -= 2;
            token.code = Tok::variable;
            token.text = rest.substr(1, length - 1);
        } else if (const Symbol* symbol = symbol_at(rest)) {
            token.code = symbol->code;
            length = symbol->text.size();
            if (token.code == Tok::multiply && !ends_operand(previous)) token.code = Tok::name_test;
        }
        if (length == 0) {
            problem = "unexpected character '" + std::string(1, first) + "'";
            column = at + 1;
            return false;
        }
        if (token.text.empty() && token.code != Tok::literal) token.text = rest.substr(0, length);
        at += length;
        tokens.push_back(token);
        previous = token.code;
    }
    tokens.push_back(Token{Tok::end, {}, expression.size() + 1});
    return true;
}

std::string describe_token(const Token& token) {
    switch (token.code) {
        case Tok::end:
            return "the end";
        case Tok::literal: {
            // Quoted as it was written: with the quote it does not contain.
            char quote = token.text.find('\'') == std::string_view::npos ? '\'' : '"';
            return quote + std::string(token.text) + quote;
        }
        case Tok::variable:
            return "'$" + std::string(token.text) + "'";
        default:
            return "'" + std::string(token.text) + "'";
    }
}

}  // namespace xmlslice::detail
