// Placeholder until the scanner lands.
#include "xmlslice.hpp"

namespace xmlslice {
XmlElement* document_parse_buffer(char*, std::size_t) { return document_new(nullptr); }
}  // namespace xmlslice
