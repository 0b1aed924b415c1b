// Random documents for the differential test: nested elements with a few
// names, attributes with own and declared default values, mixed text made of
// words, numbers, character and entity references and CDATA sections, an
// internal subset, and prefixed names bound through xmlns declarations.
//
// Left out, because the two data models differ there: comments and
// processing instructions (libxml2 keeps them as nodes, and one splits a run
// of text in two), white space outside the root element, and CR bytes.
#ifndef XMLSLICE_DIFFERENTIAL_DOCUMENT_GENERATOR_HPP
#define XMLSLICE_DIFFERENTIAL_DOCUMENT_GENERATOR_HPP

#include <string>

#include "random_source.hpp"

namespace differential {

// The namespace the expressions' prefix p is bound to; documents bind it to
// the prefixes p and s, and sometimes p to another URI further down.
constexpr const char* bound_uri = "urn:p";

std::string random_document(RandomSource& random);

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_DOCUMENT_GENERATOR_HPP
