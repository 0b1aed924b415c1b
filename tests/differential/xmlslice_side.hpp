// This library's select engine as one side of the differential test, with
// the same prefixes and variables bound as on libxml2's side.
#ifndef XMLSLICE_DIFFERENTIAL_XMLSLICE_SIDE_HPP
#define XMLSLICE_DIFFERENTIAL_XMLSLICE_SIDE_HPP

#include <string>
#include <vector>

#include "answer.hpp"
#include "xmlslice_select.hpp"

namespace differential {

class XmlsliceDocument {
  public:
    explicit XmlsliceDocument(const std::string& text);

    // Parsed without an error message.
    bool parsed() const;
    // Evaluated with the root node as the context node.
    Answer evaluate(const std::string& expression);

  private:
    std::vector<char> buffer_;
    xmlslice::DocumentHandle root_;
    xmlslice::SelectBindings bindings_;
    xmlslice::SelectResult result_;  // reused, as a host would
};

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_XMLSLICE_SIDE_HPP
