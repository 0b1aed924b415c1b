// The element walk: start tags with their own and declared attributes,
// content interleaved with children by offset, end tags. The walk climbs
// back through parent links, so deep trees need no stack.
#include "tree/name_index.hpp"
#include "tree/pod_vector.hpp"
#include "tree/tree_internal.hpp"
#include "writer/writer.hpp"

namespace xmlslice::detail {

namespace {

constexpr std::size_t FEW_LISTS = 8;
constexpr std::size_t FEW_NAMES = 16;

// Per-element default lists by element name; the first list of a name wins.
// A large table is hashed once per write instead of walked per element.
class DeclaredLists {
  public:
    explicit DeclaredLists(AttributeDefaultTable table) : table_(table) {}

    bool prepare() {
        std::size_t count = 0;
        while (table_[count]) ++count;
        if (count <= FEW_LISTS) return true;
        indexed_ = true;
        for (std::size_t i = 0; i < count; ++i)
            if (!index_.insert(0, table_[i][0], std::strlen(table_[i][0]), i)) return false;
        return true;
    }

    char** find(const char* element_name) const {
        if (!element_name) return nullptr;
        if (!indexed_) {
            for (char*** list = table_; *list; ++list)
                if (names_equal((*list)[0], element_name)) return *list;
            return nullptr;
        }
        std::size_t at = index_.find(0, element_name, std::strlen(element_name));
        return at == NameIndex::npos ? nullptr : table_[at];
    }

  private:
    AttributeDefaultTable table_;
    NameIndex index_;
    bool indexed_ = false;
};

// The attribute names already met on one element: compared pairwise while
// they are few, hashed beyond that.
class SeenNames {
  public:
    // Records name; false when it was met before or memory ran out. The
    // length and last byte settle most pairs before any byte comparison.
    bool add(const char* name, std::size_t length) {
        if (!hashed_) {
            for (std::size_t i = 0; i < count_; ++i)
                if (same_name(few_[i], name, length)) return false;
            if (count_ < FEW_NAMES) {
                few_[count_++] = {name, length};
                return true;
            }
            if (!spill()) return false;
        }
        return add_hashed(name, length);
    }

    void clear() {
        count_ = 0;
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
        bool fresh = *value == NameIndex::npos;
        *value = 0;
        return fresh;
    }

    bool spill() {
        hashed_ = true;
        for (std::size_t i = 0; i < count_; ++i) add_hashed(few_[i].name, few_[i].length);
        return !out_of_memory_;
    }

    Seen few_[FEW_NAMES];
    std::size_t count_ = 0;
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
        : out_(out), declared_(defaults) {}

    bool prepare() { return declared_.prepare(); }
    void write_chain(XmlElement* first, std::size_t start);

  private:
    void write_text_before(const XmlElement* element, std::size_t start);
    void write_text_after(const XmlElement* parent, std::size_t start);
    bool text_ended(const XmlElement* parent) const {
        return !ended_.empty() && ended_[ended_.size() - 1] == parent;
    }
    void write_start_tag(const XmlElement* element);
    void write_attributes(const XmlElement* element);
    void write_attribute(const char* name, std::size_t length, const char* value);
    void write_end_tag(const XmlElement* element);

    OutputBuffer& out_;
    DeclaredLists declared_;
    SeenNames seen_;
    // Parents, innermost last, whose text ended before a child's offset:
    // nothing more of their text is written.
    PodVector<const XmlElement*> ended_;
};

void ElementWriter::write_chain(XmlElement* first, std::size_t start) {
    const XmlElement* top_parent = first->parent;
    XmlElement* element = first;
    while (out_.storage) {
        write_text_before(element, start);
        write_start_tag(element);
        if (element->first_child) {
            element = element->first_child;
            start = 0;
            continue;
        }
        escape_append(element->text, UP_TO_NUL, out_, ESCAPE_CONTENT);
        // Close elements until one has a sibling after it.
        for (;;) {
            write_end_tag(element);
            start = element->offset;
            if (element->next_in_order) break;
            write_text_after(element->parent, start);
            if (element->parent == top_parent) return;
            element = element->parent;
        }
        element = element->next_in_order;
    }
}

void ElementWriter::write_text_before(const XmlElement* element, std::size_t start) {
    std::size_t wanted = element->offset - start;
    if (wanted == 0 || text_ended(element->parent)) return;
    std::size_t taken = escape_text(text_of(element->parent) + start, wanted, out_, ESCAPE_CONTENT);
    if (taken < wanted && !ended_.push(element->parent)) out_.fail();
}

void ElementWriter::write_text_after(const XmlElement* parent, std::size_t start) {
    if (text_ended(parent))
        ended_.pop();
    else
        escape_append(text_of(parent) + start, UP_TO_NUL, out_, ESCAPE_CONTENT);
}

void ElementWriter::write_start_tag(const XmlElement* element) {
    const char* name = name_of(element);
    std::size_t length = std::strlen(name);
    if (!out_.reserve(length + 4)) return;
    out_.put('<');
    out_.put(name, length);
    write_attributes(element);
    if (out_.reserve(1)) out_.put('>');
}

// Own attributes once each, first occurrence first; then declared defaults
// for names neither the element nor an earlier declaration has.
void ElementWriter::write_attributes(const XmlElement* element) {
    seen_.clear();
    for (char** pair = element->attributes; *pair; pair += 2) {
        std::size_t length = std::strlen(pair[0]);
        if (seen_.add(pair[0], length)) write_attribute(pair[0], length, pair[1]);
    }
    if (char** declared = declared_.find(element->name))
        for (char** triple = declared + 1; *triple; triple += 3) {
            std::size_t length = std::strlen(triple[0]);
            if (seen_.add(triple[0], length) && triple[1])
                write_attribute(triple[0], length, triple[1]);
        }
    if (seen_.out_of_memory()) out_.fail();
}

void ElementWriter::write_attribute(const char* name, std::size_t length, const char* value) {
    if (!out_.reserve(length + 7)) return;
    out_.put(' ');
    out_.put(name, length);
    out_.put("=\"", 2);
    escape_append(value, UP_TO_NUL, out_, ESCAPE_ATTRIBUTE);
    if (out_.reserve(1)) out_.put('"');
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

char* write_element(XmlElement* first, OutputBuffer& out, std::size_t start,
                    AttributeDefaultTable defaults) {
    if (!first || !out.storage) return out.storage;
    ElementWriter writer(out, defaults);
    if (writer.prepare())
        writer.write_chain(first, start);
    else
        out.fail();
    return out.storage;
}

}  // namespace xmlslice::detail
