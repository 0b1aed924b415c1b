#include "select/expression_lexer.hpp"

namespace xmlslice::detail {

namespace {

// Byte classes of the expression language, the same in every locale.
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_name_start(char c) {
    auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || byte >= 0x80;
}
bool is_name_byte(char c) {
    return is_name_start(c) || is_digit(c) || c == '-' || c == '.';
}

// Symbols of two bytes first, so that "//" is not read as two "/".
constexpr std::string_view SYMBOLS[] = {"//", "..", "!=", "<=", ">=", "::", "/", "[",
                                        "]",  "(",  ")",  "@",  "*",  ".",  "=", ",",
                                        "|",  "<",  ">",  "+",  "-",  "$"};

std::size_t symbol_length(std::string_view rest) {
    for (std::string_view symbol : SYMBOLS)
        if (rest.substr(0, symbol.size()) == symbol) return symbol.size();
    return 0;
}

// A name runs over name bytes, and over a ':' between two names (a prefix),
// but stops before "::" (an axis).
std::size_t name_length(std::string_view rest) {
    std::size_t end = 1;
    for (;;) {
        while (end < rest.size() && is_name_byte(rest[end])) ++end;
        bool prefix = end + 1 < rest.size() && rest[end] == ':' && is_name_start(rest[end + 1]);
        if (!prefix) return end;
        end += 2;
    }
}

std::size_t number_length(std::string_view rest) {
    std::size_t end = 0;
    while (end < rest.size() && is_digit(rest[end])) ++end;
    if (end < rest.size() && rest[end] == '.') {
        ++end;
        while (end < rest.size() && is_digit(rest[end])) ++end;
    }
    return end;
}

}  // namespace

bool lex_expression(std::string_view expression, std::vector<Token>& tokens, std::string& problem,
                    std::size_t& column) {
    std::size_t at = 0;
    for (;;) {
        while (at < expression.size() && is_space(expression[at])) ++at;
        if (at == expression.size()) break;
        std::string_view rest = expression.substr(at);
        char first = rest[0];
        Token token{TokenKind::symbol, {}, at + 1};
        if (first == '\'' || first == '"') {
            std::size_t close = rest.find(first, 1);
            if (close == std::string_view::npos) {
                problem = "unterminated string";
                column = at + 1;
                return false;
            }
            token.kind = TokenKind::literal;
            token.text = rest.substr(1, close - 1);
            at += close + 1;
            tokens.push_back(token);
            continue;
        }
        std::size_t length = 0;
        if (is_digit(first) || (first == '.' && rest.size() > 1 && is_digit(rest[1]))) {
            token.kind = TokenKind::number;
            length = number_length(rest);
        } else if (is_name_start(first)) {
            token.kind = TokenKind::name;
            length = name_length(rest);
        } else {
            length = symbol_length(rest);
        }
        if (length == 0) {
            problem = "unexpected character '" + std::string(1, first) + "'";
            column = at + 1;
            return false;
        }
        token.text = rest.substr(0, length);
        at += length;
        tokens.push_back(token);
    }
    tokens.push_back(Token{TokenKind::end, {}, expression.size() + 1});
    return true;
}

}  // namespace xmlslice::detail
