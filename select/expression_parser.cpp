// The grammar, productions [1] to [27] of XPath 1.0, parsed by recursive
// descent for paths and by precedence climbing for operators:
//
//   Expr           ::= OrExpr
//   OrExpr         ::= AndExpr ('or' AndExpr)*                 precedence 1
//   AndExpr        ::= EqualityExpr ('and' EqualityExpr)*      2
//   EqualityExpr   ::= RelationalExpr (('=' | '!=') RelationalExpr)*            3
//   RelationalExpr ::= AdditiveExpr (('<' | '>' | '<=' | '>=') AdditiveExpr)*   4
//   AdditiveExpr   ::= MultiplicativeExpr (('+' | '-') MultiplicativeExpr)*     5
//   MultiplicativeExpr ::= UnaryExpr (('*' | 'div' | 'mod') UnaryExpr)*         6
//   UnaryExpr      ::= '-'* UnionExpr
//   UnionExpr      ::= PathExpr ('|' PathExpr)*
//   PathExpr       ::= LocationPath
//                    | FilterExpr (('/' | '//') RelativeLocationPath)?
//   FilterExpr     ::= PrimaryExpr Predicate*
//   PrimaryExpr    ::= VariableReference | '(' Expr ')' | Literal | Number | FunctionCall
//   FunctionCall   ::= FunctionName '(' (Expr (',' Expr)*)? ')'
//   LocationPath   ::= '/' RelativeLocationPath? | '//' RelativeLocationPath
//                    | RelativeLocationPath
//   RelativeLocationPath ::= Step (('/' | '//') Step)*
//   Step           ::= AxisSpecifier NodeTest Predicate* | '.' | '..'
//   AxisSpecifier  ::= AxisName '::' | '@'?
//   NodeTest       ::= NameTest | NodeType '(' ')' | 'processing-instruction' '(' Literal ')'
//   Predicate      ::= '[' Expr ']'
//
// '//' stands for /descendant-or-self::node()/. All operators are left
// associative. The lexer has already told operators from names, so a
// token's code decides every choice here.
#include "select/expression_parser.hpp"

#include <algorithm>
#include <vector>

#include "select/bindings.hpp"
#include "select/expression_lexer.hpp"
#include "select/optimiser.hpp"
#include "select/xpath_number.hpp"

namespace xmlslice::detail {

namespace {

// Parentheses, calls and unary minus may nest this deep, and predicates
// as deep again: the parser and the evaluator recurse on them.
constexpr int MAX_NESTING = 32;
// Operator chains build trees this deep at most.
constexpr int MAX_TREE_DEPTH = 500;

struct FunctionInfo {
    std::string_view name;
    Function function;
    int min_args;
    int max_args;  // -1: any number
    ValueType result;
};

constexpr FunctionInfo FUNCTIONS[] = {
    {"last", Function::last, 0, 0, ValueType::number},
    {"position", Function::position, 0, 0, ValueType::number},
    {"count", Function::count, 1, 1, ValueType::number},
    {"id", Function::id, 1, 1, ValueType::node_set},
    {"local-name", Function::local_name, 0, 1, ValueType::string},
    {"namespace-uri", Function::namespace_uri, 0, 1, ValueType::string},
    {"name", Function::name, 0, 1, ValueType::string},
    {"string", Function::string, 0, 1, ValueType::string},
    {"concat", Function::concat, 2, -1, ValueType::string},
    {"starts-with", Function::starts_with, 2, 2, ValueType::boolean},
    {"contains", Function::contains, 2, 2, ValueType::boolean},
    {"substring-before", Function::substring_before, 2, 2, ValueType::string},
    {"substring-after", Function::substring_after, 2, 2, ValueType::string},
    {"substring", Function::substring, 2, 3, ValueType::string},
    {"string-length", Function::string_length, 0, 1, ValueType::number},
    {"normalize-space", Function::normalize_space, 0, 1, ValueType::string},
    {"translate", Function::translate, 3, 3, ValueType::string},
    {"boolean", Function::boolean, 1, 1, ValueType::boolean},
    {"not", Function::not_function, 1, 1, ValueType::boolean},
    {"true", Function::true_function, 0, 0, ValueType::boolean},
    {"false", Function::false_function, 0, 0, ValueType::boolean},
    {"lang", Function::lang, 1, 1, ValueType::boolean},
    {"number", Function::number, 0, 1, ValueType::number},
    {"sum", Function::sum, 1, 1, ValueType::number},
    {"floor", Function::floor, 1, 1, ValueType::number},
    {"ceiling", Function::ceiling, 1, 1, ValueType::number},
    {"round", Function::round, 1, 1, ValueType::number},
};

const FunctionInfo* find_function(std::string_view name) {
    for (const FunctionInfo& info : FUNCTIONS)
        if (info.name == name) return &info;
    return nullptr;
}

// Functions whose argument must be a node-set.
bool wants_node_set(Function function) {
    return function == Function::count || function == Function::sum ||
           function == Function::local_name || function == Function::namespace_uri ||
           function == Function::name;
}

constexpr std::string_view AXES[] = {
    "ancestor",  "ancestor-or-self",  "attribute", "child",  "descendant", "descendant-or-self",
    "following", "following-sibling", "namespace", "parent", "preceding",  "preceding-sibling",
    "self",
};

struct Binary {
    Tok token;
    Op op;
    int precedence;
};

constexpr Binary BINARIES[] = {
    {Tok::or_op, Op::or_op, 1},       {Tok::and_op, Op::and_op, 2},
    {Tok::equal, Op::equal, 3},       {Tok::not_equal, Op::not_equal, 3},
    {Tok::less, Op::less, 4},         {Tok::less_equal, Op::less_equal, 4},
    {Tok::greater, Op::greater, 4},   {Tok::greater_equal, Op::greater_equal, 4},
    {Tok::plus, Op::add, 5},          {Tok::minus, Op::subtract, 5},
    {Tok::multiply, Op::multiply, 6}, {Tok::div_op, Op::divide, 6},
    {Tok::mod_op, Op::modulo, 6},
};

const Binary* binary_of(Tok token) {
    for (const Binary& binary : BINARIES)
        if (binary.token == token) return &binary;
    return nullptr;
}

ValueType binary_type(Op op) {
    switch (op) {
        case Op::add:
        case Op::subtract:
        case Op::multiply:
        case Op::divide:
        case Op::modulo:
            return ValueType::number;
        default:
            return ValueType::boolean;
    }
}

// Tokens that may begin a location path's step.
bool starts_step(Tok code) {
    return code == Tok::name_test || code == Tok::node_type || code == Tok::axis_name ||
           code == Tok::at || code == Tok::dot || code == Tok::double_dot;
}

class ExpressionParser {
  public:
    ExpressionParser(const std::vector<Token>& tokens, const BindingTable* bindings,
                     SelectProgram& program, SelectError& error)
        : tokens_(tokens), bindings_(bindings), program_(program), error_(error) {}

    bool parse() {
        std::uint32_t top = 0;
        if (!parse_expr(top)) return false;
        if (peek().code != Tok::end) return fail(peek(), "unexpected " + describe_token(peek()));
        program_.top = top;
        return true;
    }

  private:
    const Token& peek(std::size_t ahead = 0) const {
        std::size_t at = next_ + ahead;
        return tokens_[at < tokens_.size() ? at : tokens_.size() - 1];
    }
    const Token& take() {
        const Token& token = peek();
        if (token.code != Tok::end) ++next_;
        return token;
    }
    bool fail(const Token& at, std::string message) {
        if (error_.message.empty()) {
            error_.message = std::move(message);
            error_.column = at.column;
        }
        return false;
    }
    bool expect(Tok code, const char* what) {
        if (peek().code == code) {
            take();
            return true;
        }
        return fail(peek(), std::string("expected '") + what + "'");
    }

    std::uint32_t add(Expr expr) {
        program_.exprs.push_back(std::move(expr));
        depths_.push_back(0);
        return static_cast<std::uint32_t>(program_.exprs.size() - 1);
    }
    Expr& at(std::uint32_t index) { return program_.exprs[index]; }

    // Counts a level of nesting; false (with the message) past the limit.
    bool enter(const Token& token, int& level) {
        if (++level > MAX_NESTING) return fail(token, "expression nested too deeply");
        return true;
    }

    bool parse_expr(std::uint32_t& out) { return parse_binary(1, out); }

    // Precedence climbing: operands of at least min_precedence, joined left
    // to right.
    bool parse_binary(int min_precedence, std::uint32_t& out) {
        if (!parse_unary(out)) return false;
        for (;;) {
            const Token& token = peek();
            const Binary* binary = binary_of(token.code);
            if (!binary || binary->precedence < min_precedence) return true;
            take();
            std::uint32_t right = 0;
            if (!parse_binary(binary->precedence + 1, right)) return false;
            if (!join(binary->op, binary_type(binary->op), token, out, right)) return false;
        }
    }

    // out becomes the operator op applied to out and right.
    bool join(Op op, ValueType type, const Token& token, std::uint32_t& out, std::uint32_t right) {
        int depth = 1 + std::max(depths_[out], depths_[right]);
        if (depth > MAX_TREE_DEPTH) return fail(token, "expression nested too deeply");
        Expr expr;
        expr.op = op;
        expr.type = type;
        expr.column = token.column;
        expr.left = out;
        expr.right = right;
        expr.uses_position = at(out).uses_position || at(right).uses_position;
        out = add(std::move(expr));
        depths_[out] = depth;
        return true;
    }

    bool parse_unary(std::uint32_t& out) {
        if (peek().code != Tok::minus) return parse_union(out);
        const Token& minus = take();
        if (!enter(minus, nesting_)) return false;
        std::uint32_t operand = 0;
        if (!parse_unary(operand)) return false;
        --nesting_;
        Expr expr;
        expr.op = Op::negate;
        expr.type = ValueType::number;
        expr.column = minus.column;
        expr.left = operand;
        expr.uses_position = at(operand).uses_position;
        out = add(std::move(expr));
        depths_[out] = depths_[operand] + 1;
        return true;
    }

    bool parse_union(std::uint32_t& out) {
        if (!parse_path_expr(out)) return false;
        while (peek().code == Tok::pipe) {
            const Token& pipe = take();
            std::uint32_t right = 0;
            if (!parse_path_expr(right)) return false;
            if (!node_set_or_any(out, pipe) || !node_set_or_any(right, pipe)) return false;
            if (!join(Op::union_op, ValueType::node_set, pipe, out, right)) return false;
        }
        return true;
    }

    bool node_set_or_any(std::uint32_t expr, const Token& where) {
        ValueType type = at(expr).type;
        if (type == ValueType::node_set || type == ValueType::any) return true;
        return fail(where, "'" + std::string(where.text) + "' needs node-sets");
    }

    // PathExpr: a location path, or a filter expression and the steps after it.
    bool parse_path_expr(std::uint32_t& out) {
        Tok code = peek().code;
        bool primary = code == Tok::variable || code == Tok::left_paren || code == Tok::literal ||
                       code == Tok::number || code == Tok::function_name;
        if (!primary) return parse_location_path(out);
        const Token& first = peek();
        std::uint32_t head = 0;
        if (!parse_primary(head)) return false;
        bool predicates = peek().code == Tok::left_bracket;
        bool steps = peek().code == Tok::slash || peek().code == Tok::double_slash;
        if (!predicates && !steps) {
            out = head;
            return true;
        }
        ValueType type = at(head).type;
        if (type != ValueType::node_set && type != ValueType::any) {
            return fail(first,
                        predicates ? "a predicate needs a node-set" : "a path needs a node-set");
        }
        PathExpr path;
        path.has_filter = true;
        path.filter = head;
        while (peek().code == Tok::left_bracket) {
            Predicate predicate;
            if (!parse_predicate(predicate)) return false;
            path.filter_predicates.push_back(std::move(predicate));
        }
        steps = peek().code == Tok::slash || peek().code == Tok::double_slash;
        if (steps && !parse_relative_steps(path, true)) return false;
        out = add_path(std::move(path), first, at(head).uses_position);
        return true;
    }

    std::uint32_t add_path(PathExpr path, const Token& first, bool uses_position) {
        // A path is as deep as what it holds, so that the limit bounds the
        // evaluator's recursion through predicates too.
        int depth = path.has_filter ? depths_[path.filter] : 0;
        for (const Predicate& predicate : path.filter_predicates)
            depth = std::max(depth, depths_[predicate.expr]);
        for (const Step& step : path.steps)
            for (const Predicate& predicate : step.predicates)
                depth = std::max(depth, depths_[predicate.expr]);
        program_.paths.push_back(std::move(path));
        Expr expr;
        expr.op = Op::path;
        expr.type = ValueType::node_set;
        expr.column = first.column;
        expr.path = static_cast<std::uint32_t>(program_.paths.size() - 1);
        expr.uses_position = uses_position;
        std::uint32_t index = add(std::move(expr));
        depths_[index] = depth + 1;
        return index;
    }

    bool parse_location_path(std::uint32_t& out) {
        const Token& first = peek();
        PathExpr path;
        if (first.code == Tok::slash) {
            take();
            path.absolute = true;
            // '/' alone is the root node; a step may follow it.
            if (starts_step(peek().code) && !parse_relative_steps(path, false)) return false;
        } else if (first.code == Tok::double_slash) {
            path.absolute = true;
            if (!parse_relative_steps(path, true)) return false;
        } else if (!parse_relative_steps(path, false)) {
            return false;
        }
        out = add_path(std::move(path), first, false);
        return true;
    }

    // Steps joined by '/' and '//'; when leading_separator, a '/' or '//'
    // comes first.
    bool parse_relative_steps(PathExpr& path, bool leading_separator) {
        bool need_separator = leading_separator;
        for (;;) {
            if (need_separator) {
                Tok separator = peek().code;
                if (separator != Tok::slash && separator != Tok::double_slash) return true;
                take();
                if (separator == Tok::double_slash) path.steps.push_back(descendant_or_self());
            }
            Step step;
            if (!parse_step(step)) return false;
            path.steps.push_back(std::move(step));
            need_separator = true;
        }
    }

    static Step descendant_or_self() {
        Step step;
        step.axis = Axis::descendant_or_self;
        step.test.kind = TestKind::node;
        return step;
    }

    bool parse_step(Step& step) {
        const Token& token = peek();
        if (token.code == Tok::dot || token.code == Tok::double_dot) {
            take();
            step.axis = token.code == Tok::dot ? Axis::self : Axis::parent;
            step.test.kind = TestKind::node;
            // Predicates after '.' and '..' are not in the grammar.
            return true;
        }
        if (token.code == Tok::at) {
            take();
            step.axis = Axis::attribute;
        } else if (token.code == Tok::axis_name) {
            if (!parse_axis(step)) return false;
        } else {
            step.axis = Axis::child;
        }
        if (!parse_node_test(step.test)) return false;
        while (peek().code == Tok::left_bracket) {
            Predicate predicate;
            if (!parse_predicate(predicate)) return false;
            step.predicates.push_back(std::move(predicate));
        }
        return true;
    }

    bool parse_axis(Step& step) {
        const Token& name = take();
        for (std::size_t k = 0; k < sizeof AXES / sizeof AXES[0]; ++k) {
            if (AXES[k] == name.text) {
                step.axis = static_cast<Axis>(k);
                take();  // '::'
                return true;
            }
        }
        return fail(name, "unknown axis '" + std::string(name.text) + "::'");
    }

    bool parse_node_test(NodeTest& test) {
        const Token& token = peek();
        if (token.code == Tok::name_test) {
            take();
            return name_test(token.text, test);
        }
        if (token.code != Tok::node_type)
            return fail(token, "expected a step, found " + describe_token(token));
        take();
        take();  // '('
        if (token.text == "processing-instruction" && peek().code == Tok::literal) take();
        if (token.text == "node") {
            test.kind = TestKind::node;
        } else if (token.text == "text") {
            test.kind = TestKind::text;
        } else {
            test.kind = TestKind::nothing;
        }
        return expect(Tok::right_paren, ")");
    }

    bool name_test(std::string_view text, NodeTest& test) {
        if (text == "*") {
            test.kind = TestKind::any_name;
            return true;
        }
        std::size_t colon = text.find(':');
        std::string_view prefix = colon == std::string_view::npos ? "" : text.substr(0, colon);
        bool wildcard = text.back() == '*';
        test.kind = wildcard ? TestKind::prefix_any : TestKind::name;
        test.name = std::string(wildcard ? prefix : text);
        std::string_view uri;
        if (bindings_ && !prefix.empty() && bindings_->prefix_uri(prefix, uri)) {
            test.by_uri = true;
            test.uri = std::string(uri);
            if (!wildcard) test.local = std::string(text.substr(colon + 1));
        }
        return true;
    }

    bool parse_predicate(Predicate& predicate) {
        const Token& open = take();
        if (!enter(open, predicate_nesting_)) return false;
        if (peek().code == Tok::right_bracket)
            return fail(peek(), "expected an expression, found ']'");
        if (!parse_expr(predicate.expr)) return false;
        --predicate_nesting_;
        const Expr& expr = at(predicate.expr);
        predicate.positional =
            expr.uses_position || expr.type == ValueType::number || expr.type == ValueType::any;
        return expect(Tok::right_bracket, "]");
    }

    bool parse_primary(std::uint32_t& out) {
        const Token& token = take();
        Expr expr;
        expr.column = token.column;
        switch (token.code) {
            case Tok::literal:
                expr.op = Op::string;
                expr.type = ValueType::string;
                expr.text = std::string(token.text);
                break;
            case Tok::number:
                expr.op = Op::number;
                expr.type = ValueType::number;
                expr.number = parse_xpath_number(token.text);
                break;
            case Tok::variable:
                if (!bind_variable(token, expr)) return false;
                break;
            case Tok::left_paren: {
                if (!enter(token, nesting_)) return false;
                if (!parse_expr(out)) return false;
                --nesting_;
                return expect(Tok::right_paren, ")");
            }
            default:
                return parse_call(token, out);
        }
        out = add(std::move(expr));
        return true;
    }

    bool bind_variable(const Token& token, Expr& expr) {
        std::string name(token.text);
        if (!bindings_ || !bindings_->has_variable(name))
            return fail(token, "unbound variable $" + name);
        expr.op = Op::variable;
        expr.type = ValueType::any;
        expr.text = name;
        std::size_t index = 0;
        while (index < program_.variables.size() && program_.variables[index] != name) ++index;
        if (index == program_.variables.size()) program_.variables.push_back(name);
        expr.left = static_cast<std::uint32_t>(index);
        return true;
    }

    bool parse_call(const Token& name, std::uint32_t& out) {
        const FunctionInfo* info = find_function(name.text);
        if (!info) return fail(name, "unknown function '" + std::string(name.text) + "()'");
        take();  // '('
        if (!enter(name, nesting_)) return false;
        Expr expr;
        expr.op = Op::call;
        expr.function = info->function;
        expr.type = info->result;
        expr.column = name.column;
        expr.uses_position =
            info->function == Function::last || info->function == Function::position;
        if (peek().code != Tok::right_paren) {
            for (;;) {
                const Token& first = peek();
                std::uint32_t arg = 0;
                if (!parse_expr(arg)) return false;
                if (wants_node_set(info->function) && !node_set_or_any_arg(arg))
                    return fail(first, "'" + std::string(name.text) + "()' needs a node-set");
                expr.args.push_back(arg);
                expr.uses_position = expr.uses_position || at(arg).uses_position;
                if (peek().code != Tok::comma) break;
                take();
            }
        }
        if (!expect(Tok::right_paren, ")")) return false;
        --nesting_;
        int count = static_cast<int>(expr.args.size());
        if (count < info->min_args || (info->max_args >= 0 && count > info->max_args))
            return fail(name, "wrong number of arguments to '" + std::string(name.text) + "()'");
        int depth = 0;
        for (std::uint32_t arg : expr.args) depth = std::max(depth, depths_[arg]);
        out = add(std::move(expr));
        depths_[out] = depth + 1;
        return true;
    }

    bool node_set_or_any_arg(std::uint32_t arg) {
        ValueType type = at(arg).type;
        return type == ValueType::node_set || type == ValueType::any;
    }

    const std::vector<Token>& tokens_;
    const BindingTable* bindings_;
    SelectProgram& program_;
    SelectError& error_;
    std::vector<int> depths_;  // per expression: the depth of its tree
    std::size_t next_ = 0;
    int nesting_ = 0;
    int predicate_nesting_ = 0;
};

}  // namespace

bool compile_expression(std::string_view expression, const BindingTable* bindings,
                        SelectProgram& program, SelectError& error) {
    std::vector<Token> tokens;
    if (!lex_expression(expression, tokens, error.message, error.column)) return false;
    if (tokens.size() == 1) {
        error.message = "empty expression";
        error.column = 1;
        return false;
    }
    ExpressionParser parser(tokens, bindings, program, error);
    if (!parser.parse()) return false;
    optimise_program(program);
    return true;
}

}  // namespace xmlslice::detail
