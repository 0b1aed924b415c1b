// Checks the link invariants of element records over a whole tree; shared by
// the tests and the editing fuzz target.
#ifndef XMLSLICE_TESTS_TREE_CHECKS_HPP
#define XMLSLICE_TESTS_TREE_CHECKS_HPP

#include <string>

#include "xmlslice.hpp"

namespace xmlslice::test_support {

// Empty when every parent's three child chains and every parent link hold;
// otherwise a description of the first violation found.
std::string tree_violation(XmlElement* root);

}  // namespace xmlslice::test_support

#endif
