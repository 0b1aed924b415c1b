// Placeholder until the serialiser lands.
#include <cstdlib>

#include "xmlslice.hpp"

namespace xmlslice {
char* element_to_text(XmlElement*) { return static_cast<char*>(std::calloc(1, 1)); }
}  // namespace xmlslice
