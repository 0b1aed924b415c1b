// Compiles the tokens of a select expression into a program, refusing
// everything outside the supported subset with a message and a column.
#ifndef XMLSLICE_SELECT_EXPRESSION_PARSER_HPP
#define XMLSLICE_SELECT_EXPRESSION_PARSER_HPP

#include <string_view>

#include "select/select_program.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

bool compile_expression(std::string_view expression, SelectProgram& program, SelectError& error);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EXPRESSION_PARSER_HPP
