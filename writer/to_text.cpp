// element_to_text: an element and its subtree as XML text; for a document's
// root also the processing instructions before and after it.
#include "tree/tables.hpp"
#include "writer/writer.hpp"

namespace xmlslice {

using namespace detail;

namespace {

// "<?target text?>", the space only before a non-empty text; the line feed
// goes after an instruction before the root and before one after it.
void write_instruction(OutputBuffer& out, const char* target, const char* text, bool before_root) {
    std::size_t target_length = std::strlen(target);
    std::size_t text_length = std::strlen(text);
    if (!out.reserve(target_length + text_length + 7)) return;
    if (!before_root) out.put('\n');
    out.put("<?", 2);
    out.put(target, target_length);
    if (text_length) out.put(' ');
    out.put(text, text_length);
    out.put("?>", 2);
    if (before_root) out.put('\n');
}

// Grouped by target in table order; skipped is the position character of
// the instructions that belong on the other side of the root.
[[gnu::cold]] void write_instructions(OutputBuffer& out, InstructionTable table, char skipped) {
    for (char*** list = table; *list; ++list) {
        KeyedList instructions{*list};
        std::size_t count = instructions.count();
        const char* positions = instructions.positions(count);
        for (std::size_t k = 0; k < count; ++k)
            if (positions[k] != skipped)
                write_instruction(out, instructions.key(), instructions.slot(k), skipped == '>');
    }
}

void write_top_element(XmlElement* element, OutputBuffer& out) {
    XmlDocument* document = document_of(element);
    XmlElement* parent = element->parent;
    XmlElement* next = element->next_in_order;
    if (!parent) write_instructions(out, document->instructions, '>');
    // Alone for the length of the call: no siblings, no parent text.
    element->parent = element->next_in_order = nullptr;
    write_element(element, out, 0, document->attribute_defaults);
    element->parent = parent;
    element->next_in_order = next;
    if (!parent) write_instructions(out, document->instructions, '<');
}

}  // namespace

char* element_to_text(XmlElement* element) {
    OutputBuffer out;
    // A parsed document is written back at about the length it was read.
    bool whole_document = element && !element->parent;
    auto* document = reinterpret_cast<XmlDocument*>(element);
    if (!out.open(whole_document ? document->text_end - document->text_start : 0)) return nullptr;
    if (element && element->name) write_top_element(element, out);
    return out.close();
}

}  // namespace xmlslice
