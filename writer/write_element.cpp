// The element walk: start tags with their own and declared attributes,
// content interleaved with children by offset, end tags.
#include "support/name_index.hpp"
#include "support/pod_vector.hpp"
#include "tree/tables.hpp"
#include "writer/writer.hpp"

namespace xmlslice::detail {

namespace {

constexpr std::size_t FEW_NAMES = 16;

// Mixes a name's length and its first and last four bytes (or its bytes).
std::uint64_t name_key(const char* name, std::size_t length) {
    std::uint32_t head = 0, tail = 0;
    if (length >= 4) {
        std::memcpy(&head, name, 4);
        std::memcpy(&tail, name + length - 4, 4);
    } else if (length) {
        head = static_cast<unsigned char>(name[0]) | static_cast<unsigned char>(name[length / 2])
                                                         << 8;
        tail = static_cast<unsigned char>(name[length - 1]);
    }
    return ((std::uint64_t(head) << 32 | tail) ^ length) * 0x9e3779b97f4a7c15ULL;
}

// The attribute names already met on one element: compared pairwise while
// they are few, hashed beyond that.
class SeenNames {
  public:
    // Records name; false when it was met before or memory ran out. The
    // length and last byte settle most pairs before any byte comparison.
    bool add(const char* name, std::size_t length) {
        if (hashed_ || count_ == FEW_NAMES) return add_many(name, length);
        // A name whose filter bit no earlier name set is new.
        std::uint64_t bit = std::uint64_t(1) << (name_key(name, length) >> 58);
        bool maybe_seen = filter_ & bit;
        filter_ |= bit;
        for (std::size_t i = 0; maybe_seen && i < count_; ++i)
            if (same_name(few_[i], name, length)) return false;
        few_[count_++] = {name, length};
        return true;
    }

    void clear() {
        count_ = 0;
        filter_ = 0;
        if (hashed_) many_.clear();
        hashed_ = false;
    }

    bool out_of_memory() const { return out_of_memory_; }

  private:
    struct Seen {
        const char* name;
        std::size_t length;
    };

    static bool same_name(const Seen& seen, const char* name, std::size_t length) {
        if (seen.length != length) return false;
        return length == 0 || (seen.name[length - 1] == name[length - 1] &&
                               std::memcmp(seen.name, name, length) == 0);
    }

    bool add_hashed(const char* name, std::size_t length) {
        std::size_t* value = many_.find_or_add(0, name, length);
        if (!value) {
            out_of_memory_ = true;
            return false;
        }
        bool fresh = *value == npos;
        *value = 0;
        return fresh;
    }

    // Out of line: the pairwise case above stays small enough to inline.
    [[gnu::noinline]] bool add_many(const char* name, std::size_t length) {
        if (!hashed_) {
            hashed_ = true;
            for (std::size_t i = 0; i < count_; ++i) add_hashed(few_[i].name, few_[i].length);
            if (out_of_memory_) return false;
        }
        return add_hashed(name, length);
    }

    Seen few_[FEW_NAMES];
    std::size_t count_ = 0;
    std::uint64_t filter_ = 0;
    bool hashed_ = false;
    bool out_of_memory_ = false;
    NameIndex many_;
};

const char* name_of(const XmlElement* element) {
    return element->name ? element->name : empty_string;
}

const char* text_of(const XmlElement* parent) {
    return parent ? parent->text : empty_string;
}

class ElementWriter {
  public:
    ElementWriter(OutputBuffer& out, AttributeDefaultTable defaults)
        : out_(out), defaults_(defaults), declared_(defaults_) {}

    void write_chain(XmlElement* first, std::size_t start);

  private:
    void enter(XmlElement* element);
    void leave(XmlElement* element);
    void write_text_before(const XmlElement* element);
    void write_text_after(const XmlElement* parent);
    bool text_ended(const XmlElement* parent) const {
        return !ended_.empty() && ended_[ended_.size() - 1] == parent;
    }
    void write_start_tag(const XmlElement* element);
    void write_attributes(const XmlElement* element, std::size_t name_length);
    void write_attribute(const char* name, std::size_t length, const char* value);
    void write_end_tag(const XmlElement* element);

    OutputBuffer& out_;
    AttributeDefaultTable defaults_;
    ListFinder declared_;
    SeenNames seen_;
    std::size_t start_ = 0;  // where the parent's text goes on
    // Parents, innermost last, whose text ended before a child's offset:
    // nothing more of their text is written.
    PodVector<const XmlElement*> ended_;
};

void ElementWriter::write_chain(XmlElement* first, std::size_t start) {
    start_ = start;
    walk_chain(
        first, [this](XmlElement* element) { enter(element); },
        [this](XmlElement* element) { leave(element); });
}

void ElementWriter::enter(XmlElement* element) {
    write_text_before(element);
    write_start_tag(element);
    if (!element->first_child) escape_text(element->text, UP_TO_NUL, out_, Escape::content);
    start_ = 0;
}

void ElementWriter::leave(XmlElement* element) {
    write_end_tag(element);
    start_ = element->offset;
    if (!element->next_in_order) write_text_after(element->parent);
}

void ElementWriter::write_text_before(const XmlElement* element) {
    std::size_t wanted = element->offset - start_;
    if (wanted == 0 || text_ended(element->parent)) return;
    std::size_t taken =
        escape_text(text_of(element->parent) + start_, wanted, out_, Escape::content);
    if (taken < wanted && !ended_.push(element->parent)) out_.fail();
}

void ElementWriter::write_text_after(const XmlElement* parent) {
    if (text_ended(parent))
        ended_.pop();
    else
        escape_text(text_of(parent) + start_, UP_TO_NUL, out_, Escape::content);
}

void ElementWriter::write_start_tag(const XmlElement* element) {
    const char* name = name_of(element);
    std::size_t length = std::strlen(name);
    if (!out_.reserve(length + 4)) return;
    out_.put('<');
    out_.put(name, length);
    if (!is_empty_list(element->attributes) || !is_empty_list(defaults_))
        write_attributes(element, length);
    if (out_.reserve(1)) out_.put('>');
}

// Own attributes once each, first occurrence first; then declared defaults
// for names neither the element nor an earlier declaration has.
void ElementWriter::write_attributes(const XmlElement* element, std::size_t name_length) {
    Attributes own(element->attributes);
    std::size_t list = is_empty_list(defaults_) || !element->name
                           ? npos
                           : declared_.find(element->name, name_length);
    if (own.count == 1 && list == npos) {  // nothing to repeat
        write_attribute(own.name(0), std::strlen(own.name(0)), own.value(0));
        return;
    }
    seen_.clear();
    for (std::size_t k = 0; k < own.count; ++k) {
        std::size_t length = std::strlen(own.name(k));
        if (seen_.add(own.name(k), length)) write_attribute(own.name(k), length, own.value(k));
    }
    if (list != npos) {
        KeyedList declared{defaults_[list]};
        for (std::size_t i = 0, count = declared.count(3); i < count; ++i) {
            Declared attribute = declared_at(declared, i);
            std::size_t length = std::strlen(attribute.name);
            if (seen_.add(attribute.name, length) && attribute.default_value)
                write_attribute(attribute.name, length, attribute.default_value);
        }
    }
    if (seen_.out_of_memory()) out_.fail();
}

// Most values are short and need no escaping: one room test serves the
// whole attribute, and the value is copied as it is checked.
void ElementWriter::write_attribute(const char* name, std::size_t length, const char* value) {
    if (!out_.reserve(length + SHORT_VALUE + 6)) return;
    out_.put(' ');
    out_.put(name, length);
    out_.put("=\"", 2);
    std::size_t plain = copy_plain_value(value, out_.storage + out_.used);
    out_.used += plain;
    if (value[plain]) escape_text(value + plain, UP_TO_NUL, out_, Escape::attribute);
    if (out_.reserve(2)) out_.put('"');
}

void ElementWriter::write_end_tag(const XmlElement* element) {
    const char* name = name_of(element);
    std::size_t length = std::strlen(name);
    if (!out_.reserve(length + 4)) return;
    out_.put("</", 2);
    out_.put(name, length);
    out_.put('>');
}

}  // namespace

void write_element(XmlElement* first, OutputBuffer& out, std::size_t start,
                   AttributeDefaultTable defaults) {
    if (first && out.storage) ElementWriter(out, defaults).write_chain(first, start);
}

}  // namespace xmlslice::detail
