// A compiled select expression: the steps of one location path, their
// predicates as postfix code over a table of tests, and the function around
// the path, if any.
#ifndef XMLSLICE_SELECT_PROGRAM_HPP
#define XMLSLICE_SELECT_PROGRAM_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xmlslice::detail {

// One test inside a predicate, on the element the predicate looks at.
enum class TestSubject : unsigned char {
    attribute,      // @name
    any_attribute,  // @*
    child,          // name: its children of that name
    any_child,      // *: all its children
    text,           // text(): the runs of its own text
    self,           // .: its string value
    name,           // name(): its name
};

struct PredicateTest {
    TestSubject subject;
    bool compares = false;   // false: the subject only has to exist
    bool not_equal = false;  // != instead of =
    std::string name;        // attribute or child name
    std::string value;       // the literal compared with
};

enum class BooleanOp : unsigned char { test, and_op, or_op, not_op };

struct BooleanCode {
    BooleanOp op;
    std::uint32_t test = 0;  // index into SelectProgram::tests, for BooleanOp::test
};

struct Predicate {
    enum class Kind : unsigned char { position, last, boolean } kind;
    std::size_t position = 0;       // Kind::position, counted from 1
    std::vector<BooleanCode> code;  // Kind::boolean, in postfix order
};

enum class Axis : unsigned char { child, self, parent, attribute, text };

struct Step {
    Axis axis = Axis::child;
    bool descendants = false;  // written after '//': applies to every descendant-or-self
    bool any_name = false;     // * or @*
    std::string name;
    std::vector<Predicate> predicates;

    // Whether a predicate counts positions, so that the matches under each
    // parent must be gathered before any is kept.
    bool counts_positions() const {
        for (const Predicate& predicate : predicates)
            if (predicate.kind != Predicate::Kind::boolean) return true;
        return false;
    }
};

enum class Function : unsigned char { none, count, string, name };

struct SelectProgram {
    Function function = Function::none;
    bool has_path = true;   // string() and name() may go without one
    bool absolute = false;  // the path starts at the document
    std::vector<Step> steps;
    std::vector<PredicateTest> tests;
    bool reads_attributes = false;  // some step or test looks at attributes
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_PROGRAM_HPP
