// Picks the fast paths of a parsed program:
//   - '//' before a child step without positions becomes one descendant step
//     (//name walks each subtree once, however the context nodes nest);
//   - '//' before a child step with positions ([N], [last()], ...) becomes one
//     walk that counts positions per parent;
//   - '//' before an attribute step only visits elements;
//   - [N] and [last()] take one node per context instead of testing each;
//   - . = 'literal' and name = 'literal' become answerable by one walk.
#ifndef XMLSLICE_SELECT_OPTIMISER_HPP
#define XMLSLICE_SELECT_OPTIMISER_HPP

#include "select/select_program.hpp"

namespace xmlslice::detail {

void optimise_program(SelectProgram& program);

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_OPTIMISER_HPP
