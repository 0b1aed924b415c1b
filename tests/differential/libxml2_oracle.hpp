// libxml2's XPath engine as the other side of the differential test. The
// document is read as this library reads it: entities expanded
// (XML_PARSE_NOENT), declared attribute defaults added as attributes
// (XML_PARSE_DTDATTR) and CDATA sections merged into the text around them
// (XML_PARSE_NOCDATA), since a run of text here includes its CDATA.
#ifndef XMLSLICE_DIFFERENTIAL_LIBXML2_ORACLE_HPP
#define XMLSLICE_DIFFERENTIAL_LIBXML2_ORACLE_HPP

#include <string>

#include "answer.hpp"

// libxml2's own records, declared here so that its headers stay in the .cpp.
struct _xmlDoc;
struct _xmlDtd;

namespace differential {

class Libxml2Document {
  public:
    explicit Libxml2Document(const std::string& text);
    Libxml2Document(const Libxml2Document&) = delete;
    Libxml2Document& operator=(const Libxml2Document&) = delete;
    ~Libxml2Document();

    bool parsed() const { return document_ != nullptr; }
    // Evaluated with the document as the context node, the expressions'
    // prefixes and variables bound.
    Answer evaluate(const std::string& expression) const;

  private:
    ::_xmlDoc* document_;
    ::_xmlDtd* subset_;  // unlinked from the tree, freed after it
};

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_LIBXML2_ORACLE_HPP
