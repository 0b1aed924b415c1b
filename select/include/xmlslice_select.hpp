// xmlslice select: XPath 1.0 queries over a parsed tree.
//
// The whole XPath 1.0 language: location paths with all thirteen axes,
// predicates, filter expressions, unions, the boolean, relational and
// arithmetic operators, variables and the 27 functions of the core library.
// The tree's data model differs from XPath's in a few places:
//   - there are no comment, processing-instruction or namespace nodes:
//     comment(), processing-instruction() and namespace:: select nothing;
//   - names compare as written, prefix included, unless the host binds the
//     prefix to a namespace URI (SelectBindings::bind_prefix): then a name
//     test with that prefix matches by the URI the document's xmlns
//     declarations give the name, whatever prefix the document uses;
//   - xmlns and xmlns:* are not attributes, as in XPath; declared defaults
//     are, exactly as element_attribute_value answers them;
//   - text nodes are the runs of an element's own text between its children
//     (CDATA sections included), never empty;
//   - id() finds elements by xml:id, and by an attribute named id that the
//     internal subset declares with a type other than CDATA (the tree keeps
//     only "CDATA or not" of a declaration).
//
// Compile once, run many times:
//
//   SelectError error;
//   Select titles = Select::compile("//book[@format='paperback']/title", &error);
//   if (!titles) { /* error.message, error.column */ }
//   SelectResult result;
//   titles.run_from_document(root, result);
//   if (result.failed()) { /* result.error() */ }
//   for (XmlElement* title : result) puts(title->text);
//
// Results borrow from the tree: they stay valid while the tree is neither
// edited nor freed. Nothing here throws. Running allocates only to grow
// buffers a result keeps (so a result reused across runs stops allocating)
// and reports a failed allocation as the error "out of memory". Compiling
// is the one case that does not: it builds the query in standard
// containers, so an allocation failing while it compiles ends the program
// as a failed operator new does without exceptions. Compile where memory is
// not short (at start-up), then run as often as needed.
#ifndef XMLSLICE_SELECT_HPP
#define XMLSLICE_SELECT_HPP

#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "xmlslice.hpp"

// What follows is the library's interface; a shared build exports it and
// hides the rest.
#pragma GCC visibility push(default)

namespace xmlslice {

namespace detail {
struct SelectProgram;
struct SelectScratch;
struct BindingTable;
}  // namespace detail

struct SelectError {
    std::string message;     // empty when the expression compiled
    std::size_t column = 0;  // 1-based byte column of the offending part
};

// What a value is. A node-set is one of the first four.
enum class SelectKind : unsigned char {
    elements,    // a node-set of elements only
    attributes,  // a node-set of attributes only
    texts,       // a node-set of text nodes only
    nodes,       // a node-set that may mix kinds or hold the root node
    number,      // an IEEE double
    string,      // a string
    boolean,     // true or false
    any,         // Select::kind() only: the type depends on the variables bound
    error,       // SelectResult::kind() only: the run failed, see error()
};

// What a node is.
enum class NodeKind : unsigned char { root, element, attribute, text };

// One node of a node-set.
struct SelectMatch {
    XmlElement* element;     // the element; for attributes and texts the element holding
                             // them; for the root node the document's root element
    const char* name;        // attributes: the attribute's name; otherwise null
    std::string_view value;  // attributes and texts: the value; otherwise empty
    bool declared_default;   // attributes: the value comes from a declaration
    NodeKind kind;
};
using SelectNode = SelectMatch;

namespace detail {

// What an iterator over matches yields: the element or the value.
struct MatchElement {
    static XmlElement* get(const SelectMatch& match) noexcept { return match.element; }
};
struct MatchValue {
    static std::string_view get(const SelectMatch& match) noexcept { return match.value; }
};

template <class Projection>
class MatchIterator {
  public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = decltype(Projection::get(std::declval<const SelectMatch&>()));
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = value_type;

    explicit MatchIterator(const SelectMatch* match = nullptr) noexcept : match_(match) {}
    value_type operator*() const noexcept { return Projection::get(*match_); }
    MatchIterator& operator++() noexcept {
        ++match_;
        return *this;
    }
    MatchIterator operator++(int) noexcept {
        MatchIterator before = *this;
        ++match_;
        return before;
    }
    bool operator==(const MatchIterator& other) const noexcept { return match_ == other.match_; }
    bool operator!=(const MatchIterator& other) const noexcept { return match_ != other.match_; }

  private:
    const SelectMatch* match_;
};

template <class Iterator>
class MatchRange {
  public:
    using iterator = Iterator;
    MatchRange(const SelectMatch* first, const SelectMatch* last) noexcept
        : first_(first), last_(last) {}
    iterator begin() const noexcept { return iterator(first_); }
    iterator end() const noexcept { return iterator(last_); }

  private:
    const SelectMatch* first_;
    const SelectMatch* last_;
};

}  // namespace detail

// The nodes of a node-set, in document order without duplicates.
class SelectNodes {
  public:
    SelectNodes(const SelectMatch* first, std::size_t count) noexcept
        : first_(first), count_(count) {}
    const SelectMatch* begin() const noexcept { return first_; }
    const SelectMatch* end() const noexcept { return first_ + count_; }
    const SelectMatch* data() const noexcept { return first_; }
    std::size_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }
    const SelectMatch& operator[](std::size_t k) const noexcept { return first_[k]; }

  private:
    const SelectMatch* first_;
    std::size_t count_;
};

class SelectResult {
  public:
    // Iterates the elements of a node-set (for attributes and texts: their
    // holders; for the root node: the root element).
    using iterator = detail::MatchIterator<detail::MatchElement>;
    // Iterates the values of attributes and texts ("" for other nodes).
    using ValueRange = detail::MatchRange<detail::MatchIterator<detail::MatchValue>>;

    SelectResult() noexcept;
    SelectResult(SelectResult&&) noexcept;
    SelectResult& operator=(SelectResult&&) noexcept;
    SelectResult(const SelectResult&) = delete;
    SelectResult& operator=(const SelectResult&) = delete;
    ~SelectResult();

    SelectKind kind() const noexcept { return kind_; }
    bool is_node_set() const noexcept { return kind_ <= SelectKind::nodes; }
    bool failed() const noexcept { return kind_ == SelectKind::error; }
    // Why the run failed ("out of memory", a type error, an unbound
    // variable); "" when it did not.
    std::string_view error() const noexcept { return error_ ? error_ : ""; }

    // A node-set's nodes; none for other values. The ranges borrow from the
    // result, so a temporary result has none to give.
    SelectNodes matches() const& noexcept { return SelectNodes(nodes_, count_); }
    std::size_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }
    iterator begin() const& noexcept { return iterator(nodes_); }
    iterator end() const& noexcept { return iterator(nodes_ + count_); }
    ValueRange values() const& noexcept { return ValueRange(nodes_, nodes_ + count_); }
    void matches() && = delete;
    void begin() && = delete;
    void end() && = delete;
    void values() && = delete;

    // XPath's boolean(), number() and string() of the value, whatever its
    // kind (false, NaN and "" for a failed run). string() borrows from the
    // result; for a node-set it is the first node's string value, gathered
    // on the first call ("" when that runs out of memory).
    bool boolean() const noexcept;
    double number() const noexcept;
    std::string_view string() const& noexcept;
    void string() && = delete;

  private:
    friend class Select;
    friend struct detail::SelectScratch;
    SelectKind kind_ = SelectKind::elements;
    const char* error_ = nullptr;  // a static message
    const SelectMatch* nodes_ = nullptr;
    std::size_t count_ = 0;
    double number_ = 0;
    bool boolean_ = false;
    mutable std::string_view string_;
    mutable bool string_ready_ = false;
    std::unique_ptr<detail::SelectScratch> scratch_;  // kept between runs
};

// What a host binds: variables, read when a query runs, and namespace
// prefixes, read when it compiles. Names are written without '$'. Setting a
// name again replaces its value. The set_ functions return false when out
// of memory (then the binding is unchanged).
class SelectBindings {
  public:
    SelectBindings() noexcept;
    SelectBindings(SelectBindings&&) noexcept;
    SelectBindings& operator=(SelectBindings&&) noexcept;
    SelectBindings(const SelectBindings&) = delete;
    SelectBindings& operator=(const SelectBindings&) = delete;
    ~SelectBindings();

    bool set_string(std::string_view name, std::string_view value);  // the value is copied
    bool set_number(std::string_view name, double value);
    bool set_boolean(std::string_view name, bool value);
    // The nodes are copied (they still borrow from their tree), in any
    // order: a run puts them in document order without duplicates. They
    // must be nodes of the document the query runs on.
    bool set_nodes(std::string_view name, const SelectMatch* nodes, std::size_t count);
    bool set_nodes(std::string_view name, const SelectResult& node_set);
    bool set_elements(std::string_view name, XmlElement* const* elements, std::size_t count);
    // A name test prefix:local (and prefix:*) then matches elements and
    // attributes whose namespace URI, resolved through the xmlns
    // declarations in scope, is uri.
    bool bind_prefix(std::string_view prefix, std::string_view uri);
    bool has_variable(std::string_view name) const noexcept;

  private:
    friend class Select;
    std::unique_ptr<detail::BindingTable> table_;
};

class Select {
  public:
    Select() noexcept;  // an empty query: false-y, runs to an empty node-set
    Select(Select&&) noexcept;
    Select& operator=(Select&&) noexcept;
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;
    ~Select();

    // Compiles expression; on failure the result is false-y and error, when
    // given, says what and where. Every variable the expression names must be
    // bound in bindings (its value may change before each run); prefixes
    // bound there are kept by the query. Out of memory here aborts (see
    // the top of this header).
    static Select compile(std::string_view expression, SelectError* error = nullptr);
    static Select compile(std::string_view expression, const SelectBindings& bindings,
                          SelectError* error = nullptr);

    explicit operator bool() const noexcept { return program_ != nullptr; }
    // The kind runs yield (any: it depends on the variables).
    SelectKind kind() const noexcept;

    // Runs with context as the context node: relative paths start there,
    // absolute ones at its document's root node. The bindings give the
    // variables' values; a variable missing from them fails the run.
    SelectResult run(XmlElement* context) const;
    void run(XmlElement* context, SelectResult& result) const;
    void run(XmlElement* context, SelectResult& result, const SelectBindings& bindings) const;
    // Runs with the root node (the document above the root element) as the
    // context, as XPath tools do: catalog/book names the root's children
    // when the root is catalog. element may be any element of the document.
    void run_from_document(XmlElement* element, SelectResult& result) const;
    void run_from_document(XmlElement* element, SelectResult& result,
                           const SelectBindings& bindings) const;

  private:
    void run_with(XmlElement* context, bool from_document, SelectResult& result,
                  const SelectBindings* bindings) const;

    std::unique_ptr<const detail::SelectProgram> program_;
};

// XPath's string value: the character data of element and all its
// descendants in document order. Null gives "".
std::string string_value(const XmlElement* element);
void append_string_value(const XmlElement* element, std::string& out);

// XPath's string() of a number: no exponent, NaN, Infinity, -Infinity,
// integers without a decimal point. Appends to out.
void append_number_string(double value, std::string& out);

}  // namespace xmlslice

#pragma GCC visibility pop

#endif  // XMLSLICE_SELECT_HPP
