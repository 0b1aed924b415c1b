// Cuts an XPath expression into tokens, each with its 1-based column, by the
// recommendation's lexical rules: after a token that leaves an operand to
// come ('@', '::', '(', '[', ',' or an operator, or at the start) '*' is a
// name test and and/or/div/mod are names; after any other token they are
// operators. A name followed by '(' is a function name or a node type, by
// '::' an axis name.
#ifndef XMLSLICE_SELECT_EXPRESSION_LEXER_HPP
#define XMLSLICE_SELECT_EXPRESSION_LEXER_HPP

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xmlslice::detail {

// One code per symbol.
enum class Tok : unsigned char {
    end,
    slash,         // /
    double_slash,  // //
    left_bracket,
    right_bracket,
    left_paren,
    right_paren,
    at,            // @
    comma,         // ,
    dot,           // .
    double_dot,    // ..
    double_colon,  // ::
    pipe,          // |
    plus,
    minus,
    equal,      // =
    not_equal,  // !=
    less,
    less_equal,
    greater,
    greater_equal,
    multiply,  // * as an operator
    and_op,
    or_op,
    div_op,
    mod_op,
    name_test,      // *, prefix:*, NCName or QName as a node test
    node_type,      // comment, text, processing-instruction, node before '('
    function_name,  // another name before '('
    axis_name,      // a name before '::'
    literal,        // text holds what is between the quotes
    number,
    variable,  // text holds the name after '$'
};

struct Token {
    Tok code;
    std::string_view text;  // as written (for literals and variables: the inner part)
    std::size_t column;
};

// Tokens of expression, ending with one of code end. On a character that
// starts no token, or an unterminated literal, returns false and says why.
bool lex_expression(std::string_view expression, std::vector<Token>& tokens, std::string& problem,
                    std::size_t& column);

// How a token is quoted in messages: 'abc' for a literal as written.
std::string describe_token(const Token& token);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EXPRESSION_LEXER_HPP
