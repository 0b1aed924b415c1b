// The input is a document and a program of editing operations. The program
// runs on a tree built from nothing and on the parsed document; after every
// step the three child chains of every element must hold and every attribute
// list must keep one ownership byte per attribute.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <deque>

#include "fuzz_support.hpp"
#include "tree_checks.hpp"

using namespace xmlslice;
using xmlslice::fuzz::fail;

namespace {

constexpr int max_steps = 300;
constexpr std::size_t max_document = 2048;

enum Operation {
    ADD_CHILD,
    INSERT_DETACHED,
    DETACH,
    SET_ATTRIBUTE,
    HAND_OVER_ATTRIBUTE,
    REMOVE_ATTRIBUTE,
    SET_TEXT,
    HAND_OVER_TEXT,
    SET_OTHER_FLAGS,
    WRITE,
    FREE_DETACHED,
    QUERY,
    LAST = QUERY
};

class Session {
  public:
    Session(XmlElement* root, FuzzedDataProvider& in) : root_(root), in_(in) {
        for (const char* name : {"a", "b", "c", "r", ""}) strings_.emplace_back(name);
        for (XmlElement* e : fuzz::elements_under(root))
            if (e->name && strings_.size() < 64) strings_.emplace_back(e->name);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    // The trees go before the strings they borrow.
    ~Session() {
        for (XmlElement* d : detached_) element_free(d);
        element_free(root_);
    }

    void run() {
        check("the start");
        for (int step = 0; step < max_steps && in_.remaining_bytes(); ++step) {
            int operation = in_.ConsumeIntegralInRange<int>(0, LAST);
            apply(operation);
            check(std::to_string(operation).c_str());
        }
        std::string lookups = test_support::lookup_violation(root_);
        if (!lookups.empty()) fail("a lookup after the program", lookups);
    }

  private:
    void apply(int operation);
    void check(const char* after) const;
    void check_attributes(XmlElement* e) const;

    std::vector<XmlElement*> all() const {
        std::vector<XmlElement*> elements = fuzz::elements_under(root_);
        for (XmlElement* d : detached_) {
            std::vector<XmlElement*> below = fuzz::elements_under(d);
            elements.insert(elements.end(), below.begin(), below.end());
        }
        return elements;
    }
    template <class T>
    T pick(const std::vector<T>& items) {
        return items[in_.ConsumeIntegralInRange<std::size_t>(0, items.size() - 1)];
    }
    // Pushing onto a deque leaves the strings already there where they are.
    const char* host_string() {
        if (in_.ConsumeBool())
            return strings_[in_.ConsumeIntegralInRange<std::size_t>(0, strings_.size() - 1)]
                .c_str();
        strings_.push_back(in_.ConsumeRandomLengthString(40));
        return strings_.back().c_str();
    }
    std::size_t offset_in(XmlElement* parent) {
        switch (in_.ConsumeIntegralInRange<int>(0, 3)) {
            case 0:
                return 0;
            case 1:
                return in_.ConsumeIntegralInRange<std::size_t>(0, 16);
            case 2:
                return std::strlen(parent->text) + in_.ConsumeIntegralInRange<std::size_t>(0, 2);
            default:
                return ~std::size_t(0) - in_.ConsumeIntegralInRange<std::size_t>(0, 2);
        }
    }
    void set_attribute(XmlElement* e, const char* name, const char* value);
    bool has_own_attribute(XmlElement* e, const char* name) const {
        for (char** pair = e->attributes; *pair; pair += 2)
            if (std::strcmp(*pair, name) == 0) return true;
        return false;
    }
    bool reaches(XmlElement* from, XmlElement* ancestor) const {
        for (XmlElement* e = from->parent; e; e = e->parent)
            if (e == ancestor) return true;
        return false;
    }

    XmlElement* root_;
    FuzzedDataProvider& in_;
    std::vector<XmlElement*> detached_;
    std::deque<std::string> strings_;  // host strings the trees borrow
};

// With a hand-over pending (COPY_ATTRIBUTES), name and value are heap copies
// the element takes, except the name of an attribute it does not have when
// nothing is stored.
void Session::set_attribute(XmlElement* e, const char* name, const char* value) {
    if (!(e->flags & COPY_ATTRIBUTES)) {
        element_set_attribute(e, name, value);
        return;
    }
    bool kept = value || has_own_attribute(e, name);
    char* name_copy = strdup(name);
    element_set_attribute(e, name_copy, value ? strdup(value) : nullptr);
    if (!kept) {
        std::free(name_copy);
        if (!(e->flags & COPY_ATTRIBUTES)) fail("hand-over cleared without a change");
    } else if (e->flags & COPY_ATTRIBUTES) {
        fail("hand-over still pending after a change");
    }
}

void Session::apply(int operation) {
    std::vector<XmlElement*> tree = fuzz::elements_under(root_);
    std::vector<XmlElement*> any = all();
    switch (operation) {
        case ADD_CHILD: {
            XmlElement* parent = pick(tree);
            const char* name = host_string();
            bool owned = in_.ConsumeBool();
            XmlElement* child =
                element_add_child(parent, owned ? strdup(name) : name, offset_in(parent));
            if (owned) element_set_flags(child, NAME_OWNED);
            break;
        }
        case INSERT_DETACHED: {
            if (detached_.empty()) break;
            std::size_t k = in_.ConsumeIntegralInRange<std::size_t>(0, detached_.size() - 1);
            XmlElement* parent = pick(tree);
            element_insert(detached_[k], parent, offset_in(parent));
            detached_.erase(detached_.begin() + k);
            break;
        }
        case DETACH: {
            XmlElement* e = pick(any);
            if (element_detach(e) != e) fail("element_detach result");
            if (e->parent && std::find(detached_.begin(), detached_.end(), e) == detached_.end())
                detached_.push_back(e);
            break;
        }
        case SET_ATTRIBUTE:
            set_attribute(pick(any), host_string(), host_string());
            break;
        case HAND_OVER_ATTRIBUTE: {
            XmlElement* e = element_set_flags(pick(any), COPY_ATTRIBUTES);
            set_attribute(e, host_string(), in_.ConsumeBool() ? host_string() : nullptr);
            break;
        }
        case REMOVE_ATTRIBUTE: {
            XmlElement* e = pick(any);
            std::size_t count = 0;
            while (e->attributes[2 * count]) ++count;
            bool own = count && in_.ConsumeBool();
            const char* name =
                own ? e->attributes[2 * in_.ConsumeIntegralInRange<std::size_t>(0, count - 1)]
                    : host_string();
            set_attribute(e, name, nullptr);
            break;
        }
        case SET_TEXT:
            element_set_text(pick(any), host_string());
            break;
        case HAND_OVER_TEXT:
            element_set_flags(element_set_text(pick(any), strdup(host_string())), TEXT_OWNED);
            break;
        case SET_OTHER_FLAGS:
            element_set_flags(pick(any), in_.ConsumeIntegral<int>() & ~(TEXT_OWNED | NAME_OWNED));
            break;
        case WRITE:
            fuzz::written(pick(any));
            break;
        case FREE_DETACHED: {
            if (detached_.empty()) break;
            std::size_t k = in_.ConsumeIntegralInRange<std::size_t>(0, detached_.size() - 1);
            XmlElement* d = detached_[k];
            // Elements detached from inside d still lead through it to their document.
            for (XmlElement* other : detached_)
                if (reaches(other, d)) return;
            element_free(d);
            detached_.erase(detached_.begin() + k);
            break;
        }
        case QUERY: {
            XmlElement* e = pick(any);
            XmlElement* head = element_first_named(e, host_string());
            element_nth_same_name(head, in_.ConsumeIntegral<int>());
            element_attribute_value(e, host_string());
            document_instructions(e, host_string());
            break;
        }
    }
}

void Session::check_attributes(XmlElement* e) const {
    if (e->attributes == empty_list) return;
    std::size_t count = 0;
    while (e->attributes[2 * count]) ++count;
    const char* ownership = e->attributes[2 * count + 1];
    if (std::strlen(ownership) != count) fail("ownership string length", e->name);
}

void Session::check(const char* after) const {
    std::string violation = test_support::tree_violation(root_);
    for (XmlElement* d : detached_) {
        if (violation.empty()) violation = test_support::tree_violation(d);
        if (d->next_in_order || d->next_same_name || d->next_name_group)
            violation = "a detached element keeps a sibling link";
    }
    if (!violation.empty()) fail(after, violation);
    for (XmlElement* e : all()) check_attributes(e);
}

void run_program(XmlElement* root, const std::uint8_t* program, std::size_t size) {
    FuzzedDataProvider in(program, size);
    Session(root, in).run();
}

}  // namespace

// Two bytes (little-endian) give the length of the document that follows;
// the rest is the program.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::size_t document_size =
        std::min<std::size_t>({std::size_t(data[0] | data[1] << 8), max_document, size - 2});
    const std::uint8_t* program = data + 2 + document_size;
    std::size_t program_size = size - 2 - document_size;
    run_program(document_new("r"), program, program_size);
    fuzz::Parsed parsed(fuzz::bytes_of(data + 2, document_size));
    run_program(parsed.root, program, program_size);
    parsed.root = nullptr;  // the session freed it
    return 0;
}
