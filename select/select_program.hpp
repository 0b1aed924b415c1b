// A compiled XPath expression: a table of typed expression nodes that refer
// to each other by index, the location paths they use, and what the
// optimisation pass chose for each step.
#ifndef XMLSLICE_SELECT_PROGRAM_HPP
#define XMLSLICE_SELECT_PROGRAM_HPP

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xmlslice::detail {

enum class ValueType : unsigned char { node_set, boolean, number, string, any };

// In the recommendation's order, which is also what axis names parse to.
enum class Axis : unsigned char {
    ancestor,
    ancestor_or_self,
    attribute,
    child,
    descendant,
    descendant_or_self,
    following,
    following_sibling,
    namespace_axis,
    parent,
    preceding,
    preceding_sibling,
    self,
};

inline bool is_reverse(Axis axis) {
    return axis == Axis::ancestor || axis == Axis::ancestor_or_self || axis == Axis::preceding ||
           axis == Axis::preceding_sibling;
}

enum class TestKind : unsigned char {
    name,        // a name as written, or by namespace URI when its prefix is bound
    prefix_any,  // prefix:*
    any_name,    // *
    node,        // node()
    text,        // text()
    nothing,     // comment(), processing-instruction(): the tree keeps no such nodes
    container,   // the root node and elements: what '//' needs before a child step
};

struct NodeTest {
    TestKind kind = TestKind::node;
    std::string name;   // name: the QName as written; prefix_any: the prefix
    std::string local;  // by_uri: the local part
    std::string uri;    // by_uri: the namespace URI bound to the prefix
    bool by_uri = false;
};

enum class Function : unsigned char {
    last,
    position,
    count,
    id,
    local_name,
    namespace_uri,
    name,
    string,
    concat,
    starts_with,
    contains,
    substring_before,
    substring_after,
    substring,
    string_length,
    normalize_space,
    translate,
    boolean,
    not_function,
    true_function,
    false_function,
    lang,
    number,
    sum,
    floor,
    ceiling,
    round,
};

enum class Op : unsigned char {
    number,
    string,
    variable,
    or_op,
    and_op,
    equal,
    not_equal,
    less,
    less_equal,
    greater,
    greater_equal,
    add,
    subtract,
    multiply,
    divide,
    modulo,
    negate,
    union_op,
    path,
    call,
};

// How a step runs, as the optimisation pass chose.
enum class StepPlan : unsigned char {
    general,     // each context node in turn, then document order restored if needed
    per_parent,  // child step after '//' with positions: one walk, positions per parent
    fused,       // the '//' before a per_parent step, which does its work
};

// How a predicate runs.
enum class PredicatePlan : unsigned char {
    general,
    position,          // a constant number: [N]
    last,              // [last()]
    has_attribute,     // [@name]
    attribute_equals,  // [@name = 'literal'] or [@name != 'literal']
};

struct Predicate {
    std::uint32_t expr = 0;
    PredicatePlan plan = PredicatePlan::general;
    bool positional = false;  // depends on the position or the size
    double position = 0;      // PredicatePlan::position
    std::string attribute;    // has_attribute, attribute_equals: the name
    std::string literal;      // attribute_equals
    bool equal = true;        // attribute_equals: = rather than !=
};

// A comparison of string values with a literal that may be answered by one
// walk over the document (see EqualStringValues).
enum class EqualityPlan : unsigned char {
    none,
    self,       // . = 'literal'
    child,      // name = 'literal' or * = 'literal'
    attribute,  // @name = 'literal': one lookup, one comparison
};

struct Step {
    Axis axis = Axis::child;
    NodeTest test;
    std::vector<Predicate> predicates;
    StepPlan plan = StepPlan::general;
    bool positional() const {
        for (const Predicate& predicate : predicates)
            if (predicate.positional) return true;
        return false;
    }
};

struct PathExpr {
    bool absolute = false;
    bool has_filter = false;
    std::uint32_t filter = 0;  // the primary expression, when has_filter
    std::vector<Predicate> filter_predicates;
    std::vector<Step> steps;
};

struct Expr {
    Op op = Op::number;
    ValueType type = ValueType::any;
    std::size_t column = 0;
    std::uint32_t left = 0;  // binary operators and negate; variable: its index
    std::uint32_t right = 0;
    double number = 0;
    std::string text;  // string literal; variable name
    Function function = Function::last;
    std::vector<std::uint32_t> args;
    std::uint32_t path = 0;      // Op::path: index into paths
    bool uses_position = false;  // reads position() or last() of its own context
    EqualityPlan equality = EqualityPlan::none;
    std::uint32_t literal_side = 0;  // equality: the literal operand
    std::uint32_t cache = 0;         // equality: its slot among the run's caches
};

struct SelectProgram {
    std::vector<Expr> exprs;
    std::vector<PathExpr> paths;
    std::uint32_t top = 0;
    std::vector<std::string> variables;  // names the expression reads, without '$'
    std::uint32_t equality_caches = 0;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_PROGRAM_HPP
