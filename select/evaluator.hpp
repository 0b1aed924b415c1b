// Runs a compiled program. Values are node-sets, booleans, numbers and
// strings; node-sets come from a pool kept in the scratch space, strings
// from its arena, so that a result reused across runs stops allocating. Every
// failure (a type error, out of memory) ends the run with a message instead
// of an answer.
#ifndef XMLSLICE_SELECT_EVALUATOR_HPP
#define XMLSLICE_SELECT_EVALUATOR_HPP

#include <string_view>

#include "select/arena.hpp"
#include "select/document_order.hpp"
#include "select/equal_string_values.hpp"
#include "select/id_index.hpp"
#include "select/node_axes.hpp"
#include "select/pointer_set.hpp"
#include "select/select_program.hpp"

namespace xmlslice::detail {

struct NodeSet {
    Buffer<Node> nodes;
    bool ordered = true;  // in document order without duplicates
    bool flat = true;     // no node lies inside another
};

enum class ValueKind : unsigned char { nodes, boolean, number, string };

struct Value {
    ValueKind kind = ValueKind::boolean;
    bool boolean = false;
    double number = 0;
    std::string_view string;
    NodeSet* set = nullptr;
    bool borrowed = false;  // the set is a variable's: read it, never change or release it
};

struct EvalContext {
    Node node;
    std::size_t position = 1;
    std::size_t size = 1;
};

// One open parent of a walk that counts positions per parent: the children
// selected under it, and the next of them the walk will meet.
struct ParentFrame {
    std::size_t begin;
    std::size_t end;
    std::size_t next;
};

// Working memory of runs, kept in a result.
struct SelectScratch {
    SelectScratch() = default;
    SelectScratch(const SelectScratch&) = delete;
    SelectScratch& operator=(const SelectScratch&) = delete;
    ~SelectScratch();

    Arena strings;
    Buffer<NodeSet*> sets;       // every set made; freed with the scratch
    Buffer<NodeSet*> free_sets;  // those not in use in this run
    DocumentOrder order;
    AttributeLookup attributes;
    Buffer<TextCursor> text_stack;
    Buffer<char> builder;
    Buffer<SelectMatch> matches;  // the result's nodes
    Buffer<char> result_text;     // the result's string, when it is made on request
    Buffer<Value> variables;      // this run's, by the program's variable index
    Buffer<char> message;         // a run's error message when it names something
    Buffer<ParentFrame> frames;
    Buffer<Node> groups;
    Buffer<std::string_view> strings_seen;
    Buffer<EqualityCache*> equality;  // one per planned comparison of the program
    IdIndex ids;
};

class Evaluator {
  public:
    Evaluator(const SelectProgram& program, SelectScratch& scratch, XmlElement* top);

    // Evaluates the program's expression; false when the run fails (see error()).
    bool evaluate(const Node& context, Value& out);
    const char* error() const { return error_; }

    // Conversions by XPath's rules; strings may live in the arena.
    bool to_string(const Value& value, std::string_view& out);
    bool to_number(const Value& value, double& out);
    static bool to_boolean(const Value& value);
    bool string_value(const Node& node, std::string_view& out);

    NodeSet* acquire();
    void release(Value& value);
    bool fail(const char* message);
    bool out_of_memory() { return fail("out of memory"); }
    // A message that names what failed: before + name + after.
    bool fail_naming(const char* before, std::string_view name, const char* after);

  private:
    bool eval(std::uint32_t index, const EvalContext& context, Value& out);
    bool eval_or_and(const Expr& expr, const EvalContext& context, Value& out);
    bool eval_comparison(const Expr& expr, const EvalContext& context, Value& out);
    bool eval_arithmetic(const Expr& expr, const EvalContext& context, Value& out);
    bool eval_union(const Expr& expr, const EvalContext& context, Value& out);
    bool eval_path(const PathExpr& path, const EvalContext& context, Value& out);
    bool eval_call(const Expr& expr, const EvalContext& context, Value& out);
    bool eval_variable(const Expr& expr, Value& out);

    bool apply_step(const Step& step, NodeSet*& set);
    bool step_general(const Step& step, const NodeSet& in, NodeSet& out);
    bool step_merged(const Step& step, const NodeSet& in, NodeSet& out);
    bool step_per_parent(const Step& step, const NodeSet& in, NodeSet& out, bool every_element);
    bool filter(Buffer<Node>& nodes, const Predicate& predicate);
    bool filter_all(Buffer<Node>& nodes, const std::vector<Predicate>& predicates,
                    std::size_t first = 0);
    static bool attribute_condition(const Predicate& predicate, AttributeCondition& condition);
    bool predicate_holds(const Predicate& predicate, const EvalContext& context, bool& holds);

    bool compare(Op op, Value& left, Value& right, bool& result);
    bool compare_sets(Op op, const NodeSet& left, const NodeSet& right, bool& result);
    bool compare_set_with(Op op, const NodeSet& set, Value& other, bool set_on_left, bool& result);
    bool string_value_equals(const Node& node, std::string_view expected, bool& equal);
    bool planned_equality(const Expr& expr, const EvalContext& context, Value& out);
    bool bounded_equals(XmlElement* element, std::string_view expected, std::size_t& budget,
                        int& answer);

    // Functions, one per group of the core library.
    bool node_set_function(const Expr& expr, const EvalContext& context, Value& out);
    bool string_function(const Expr& expr, const EvalContext& context, Value& out);
    bool number_function(const Expr& expr, const EvalContext& context, Value& out);
    bool boolean_function(const Expr& expr, const EvalContext& context, Value& out);
    bool argument_string(const Expr& expr, std::size_t k, const EvalContext& context,
                         std::string_view& out);
    bool argument_number(const Expr& expr, std::size_t k, const EvalContext& context, double& out);
    bool argument_node(const Expr& expr, const EvalContext& context, bool& found, Node& node);
    bool make_string(std::string_view text, Value& out);
    bool finish_builder(Value& out);
    bool lang_matches(const Node& node, std::string_view wanted);
    bool id_function(Value& argument, Value& out);

    bool sort(NodeSet& set);

    const SelectProgram& program_;
    SelectScratch& scratch_;
    XmlElement* top_;
    NodeAxes axes_;
    const char* error_ = nullptr;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_EVALUATOR_HPP
