// Cuts a select expression into tokens, each with its 1-based column.
#ifndef XMLSLICE_SELECT_EXPRESSION_LEXER_HPP
#define XMLSLICE_SELECT_EXPRESSION_LEXER_HPP

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xmlslice::detail {

enum class TokenKind : unsigned char {
    name,     // a name, prefix included (xsl:template)
    literal,  // 'text' or "text"; text holds what is between the quotes
    number,   // digits, possibly with a fraction
    symbol,   // / // [ ] ( ) @ * . .. = != , | < <= > >= + - $ ::
    end,
};

struct Token {
    TokenKind kind;
    std::string_view text;
    std::size_t column;

    bool is(std::string_view symbol) const { return kind == TokenKind::symbol && text == symbol; }
    bool is_name(std::string_view name) const { return kind == TokenKind::name && text == name; }
};

// Tokens of expression, ending with one of kind end. On a character that
// starts no token, or an unterminated literal, returns false and says why.
bool lex_expression(std::string_view expression, std::vector<Token>& tokens, std::string& problem,
                    std::size_t& column);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EXPRESSION_LEXER_HPP
