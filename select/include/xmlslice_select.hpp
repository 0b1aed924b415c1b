// xmlslice select: XPath-style queries over a parsed tree.
//
// A practical subset of XPath 1.0's abbreviated syntax: location paths
// (/a/b, a/b, //b, a//b, *, ., ..), predicates ([N], [last()], [@a],
// [@a='v'], [@a!='v'], [name], [name='v'], [text()='v'], [.='v'],
// [name()='v'], joined with and, or, not(...)), final steps @name, @* and
// text(), and the functions count(path), string(path) and name(path).
// Anything else is refused when the expression is compiled, with a message
// and the column where the unsupported part starts.
//
// Compile once, run many times:
//
//   SelectError error;
//   Select titles = Select::compile("//book[@format='paperback']/title", &error);
//   if (!titles) { /* error.message, error.column */ }
//   for (XmlElement* title : titles.run(root)) puts(title->text);
//
// Results borrow from the tree: they stay valid while the tree is neither
// edited nor freed. Nothing here throws; running allocates only to grow the
// vectors a result keeps, so a result reused across runs stops allocating.
#ifndef XMLSLICE_SELECT_HPP
#define XMLSLICE_SELECT_HPP

#include <cstddef>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "xmlslice.hpp"

// What follows is the library's interface; a shared build exports it and
// hides the rest.
#pragma GCC visibility push(default)

namespace xmlslice {

namespace detail {
struct SelectProgram;
struct SelectScratch;
}  // namespace detail

struct SelectError {
    std::string message;     // empty when the expression compiled
    std::size_t column = 0;  // 1-based byte column of the offending part
};

// What a query's results are.
enum class SelectKind : unsigned char {
    elements,    // a path to elements
    attributes,  // a path ending in @name or @*
    texts,       // a path ending in text(): the runs of an element's own text
    number,      // count(path)
    string,      // string(path) or name(path)
};

struct SelectMatch {
    XmlElement* element;     // the element, or the element holding the attribute or text
    const char* name;        // attributes: the attribute's name; otherwise null
    std::string_view value;  // attributes and texts: the value; otherwise empty
    bool declared_default;   // attributes: the value comes from a declaration
};

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

}  // namespace detail

class SelectResult {
  public:
    // Iterates the matched elements (for attributes and texts: their holders).
    using iterator = detail::MatchIterator<detail::MatchElement>;

    // Iterates the values of attribute and text results.
    class ValueRange {
      public:
        using iterator = detail::MatchIterator<detail::MatchValue>;

        ValueRange(const SelectMatch* first, const SelectMatch* last) noexcept
            : first_(first), last_(last) {}
        iterator begin() const noexcept { return iterator(first_); }
        iterator end() const noexcept { return iterator(last_); }

      private:
        const SelectMatch* first_;
        const SelectMatch* last_;
    };

    SelectResult() noexcept;
    SelectResult(SelectResult&&) noexcept;
    SelectResult& operator=(SelectResult&&) noexcept;
    SelectResult(const SelectResult&) = delete;
    SelectResult& operator=(const SelectResult&) = delete;
    ~SelectResult();

    SelectKind kind() const noexcept { return kind_; }
    // Matches in document order without duplicates; none for number and string.
    const std::vector<SelectMatch>& matches() const noexcept { return matches_; }
    std::size_t size() const noexcept { return matches_.size(); }
    bool empty() const noexcept { return matches_.empty(); }
    iterator begin() const noexcept { return iterator(matches_.data()); }
    iterator end() const noexcept { return iterator(matches_.data() + matches_.size()); }
    ValueRange values() const noexcept {
        return ValueRange(matches_.data(), matches_.data() + matches_.size());
    }
    // count(): the number counted.
    std::size_t number() const noexcept { return number_; }
    // string() and name(): the string; empty when the path found nothing.
    const std::string& string() const noexcept { return string_; }

  private:
    friend class Select;
    SelectKind kind_ = SelectKind::elements;
    std::vector<SelectMatch> matches_;
    std::size_t number_ = 0;
    std::string string_;
    std::unique_ptr<detail::SelectScratch> scratch_;  // kept between runs
};

class Select {
  public:
    Select() noexcept;  // an empty query: false-y, runs to nothing
    Select(Select&&) noexcept;
    Select& operator=(Select&&) noexcept;
    Select(const Select&) = delete;
    Select& operator=(const Select&) = delete;
    ~Select();

    // Compiles expression; on failure the result is false-y and error, when
    // given, says what and where.
    static Select compile(std::string_view expression, SelectError* error = nullptr);

    explicit operator bool() const noexcept { return program_ != nullptr; }
    SelectKind kind() const noexcept;

    // Runs with context as the context element: relative paths start there,
    // absolute ones at its document.
    SelectResult run(XmlElement* context) const;
    void run(XmlElement* context, SelectResult& result) const;
    // Runs with the document above the root as the context, as XPath tools
    // do: catalog/book names the root's children when the root is catalog.
    // element may be any element of the document.
    void run_from_document(XmlElement* element, SelectResult& result) const;

  private:
    void run_with(XmlElement* context, bool from_document, SelectResult& result) const;

    std::unique_ptr<const detail::SelectProgram> program_;
};

// XPath's string value: the character data of element and all its
// descendants in document order. Null gives "".
std::string string_value(const XmlElement* element);
void append_string_value(const XmlElement* element, std::string& out);

}  // namespace xmlslice

#pragma GCC visibility pop

#endif  // XMLSLICE_SELECT_HPP
