// Placeholder until tree editing lands.
#include "xmlslice.hpp"

namespace xmlslice {
XmlElement* element_set_flags(XmlElement* element, int) {
    return element;
}
XmlElement* element_set_text(XmlElement* element, const char*) {
    return element;
}
XmlElement* element_set_attribute(XmlElement* element, const char*, const char*) {
    return element;
}
XmlElement* element_detach(XmlElement* element) {
    return element;
}
}  // namespace xmlslice
