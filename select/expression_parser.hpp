// Compiles an XPath 1.0 expression into a SelectProgram.
#ifndef XMLSLICE_SELECT_EXPRESSION_PARSER_HPP
#define XMLSLICE_SELECT_EXPRESSION_PARSER_HPP

#include <string_view>

#include "select/select_program.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

struct BindingTable;

// Parses expression into program and runs the optimisation pass over it.
// Variables must be bound in bindings (which may be null: then none is);
// prefixes bound there make name tests match by namespace URI.
bool compile_expression(std::string_view expression, const BindingTable* bindings,
                        SelectProgram& program, SelectError& error);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EXPRESSION_PARSER_HPP
