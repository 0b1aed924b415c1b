#include "select/expression_parser.hpp"

#include <vector>

#include "select/expression_lexer.hpp"

namespace xmlslice::detail {

namespace {

// Parentheses and not() may nest this deep; the parser recurses on them.
constexpr int MAX_NESTING = 32;

bool is_comparison(const Token& token) {
    return token.is("=") || token.is("!=") || token.is("<") || token.is("<=") || token.is(">") ||
           token.is(">=");
}

bool is_operator(const Token& token) {
    return is_comparison(token) || token.is("|") || token.is("+") || token.is("-") ||
           token.is("*") || token.is_name("and") || token.is_name("or") || token.is_name("div") ||
           token.is_name("mod");
}

// Where a path ends: no step follows. A '*' here is a step, not a product.
bool ends_path(const Token& token) {
    bool symbol_operator = token.kind == TokenKind::symbol && is_operator(token) && !token.is("*");
    return token.kind == TokenKind::end || token.is(")") || token.is("]") || symbol_operator;
}

class ExpressionParser {
  public:
    ExpressionParser(const std::vector<Token>& tokens, SelectProgram& program, SelectError& error)
        : tokens_(tokens), program_(program), error_(error) {}

    bool parse() {
        const Token& first = peek();
        bool call = first.kind == TokenKind::name && peek(1).is("(") && !first.is_name("text");
        if (!(call ? parse_function() : parse_path())) return false;
        return expect_end();
    }

  private:
    const Token& peek(std::size_t ahead = 0) const {
        std::size_t at = next_ + ahead;
        return tokens_[at < tokens_.size() ? at : tokens_.size() - 1];
    }
    const Token& take() {
        const Token& token = peek();
        if (token.kind != TokenKind::end) ++next_;
        return token;
    }
    bool fail(const Token& at, std::string message) {
        error_.message = std::move(message);
        error_.column = at.column;
        return false;
    }
    bool expect(std::string_view symbol) {
        if (peek().is(symbol)) {
            take();
            return true;
        }
        return fail(peek(), "expected '" + std::string(symbol) + "'");
    }
    std::string quoted(const Token& token) const {
        return token.kind == TokenKind::end ? "the end" : "'" + std::string(token.text) + "'";
    }

    // Something follows the whole expression: say why it cannot.
    bool expect_end() {
        const Token& token = peek();
        if (token.kind == TokenKind::end) return true;
        if (is_operator(token)) return fail(token, "unsupported operator " + quoted(token));
        return fail(token, "unexpected " + quoted(token));
    }

    // name( where a function is not allowed, or is not known at all.
    bool function_error(const Token& name) {
        std::string call = std::string(name.text) + "()";
        if (name.is_name("node") || name.is_name("comment") ||
            name.is_name("processing-instruction"))
            return fail(name, "unsupported node test '" + call + "'");
        if (name.is_name("count") || name.is_name("string") || name.is_name("name"))
            return fail(name, "'" + call + "' is supported only around the whole expression");
        if (name.is_name("last") || name.is_name("not") || name.is_name("text"))
            return fail(name, "'" + call + "' is unsupported here");
        return fail(name, "unknown function '" + call + "'");
    }
    bool axis_error(const Token& name) {
        return fail(name, "unsupported axis '" + std::string(name.text) + "::'");
    }

    bool parse_function() {
        const Token& name = take();
        if (name.is_name("count")) {
            program_.function = Function::count;
        } else if (name.is_name("string")) {
            program_.function = Function::string;
        } else if (name.is_name("name")) {
            program_.function = Function::name;
        } else {
            return function_error(name);
        }
        take();  // (
        if (peek().is(")")) {
            if (program_.function == Function::count) return fail(peek(), "count() needs a path");
            program_.has_path = false;
        } else if (!parse_path()) {
            return false;
        }
        return expect(")");
    }

    bool parse_path() {
        const Token& first = peek();
        if (first.is("/") || first.is("//")) {
            program_.absolute = true;
            take();
            if (first.is("/") && ends_path(peek()))
                return fail(first, "'/' alone selects the document, which is not an element");
        }
        if (!parse_step(first.is("//"))) return false;
        for (;;) {
            const Token& separator = peek();
            if (!separator.is("/") && !separator.is("//")) return true;
            Axis last = program_.steps.back().axis;
            if (last == Axis::attribute || last == Axis::text)
                return fail(separator, "no step can follow '@' or 'text()'");
            take();
            if (!parse_step(separator.is("//"))) return false;
        }
    }

    bool parse_step(bool descendants) {
        Step step;
        step.descendants = descendants;
        const Token& token = peek();
        if (token.is(".") || token.is("..")) {
            take();
            // After //, XPath's . and .. reach text, comments and instructions
            // too, which are not elements here.
            bool final_step = !peek().is("/") && !peek().is("//");
            if (descendants && (token.is("..") || final_step))
                return fail(token, "'//" + std::string(token.text) +
                                       "' selects other nodes than elements; use //*");
            step.axis = token.is(".") ? Axis::self : Axis::parent;
            if (peek().is("[")) return fail(peek(), "a predicate cannot follow " + quoted(token));
        } else if (token.is("@")) {
            take();
            if (!parse_attribute_name(step.name, step.any_name)) return false;
            step.axis = Axis::attribute;
            program_.reads_attributes = true;
            if (peek().is("[")) return fail(peek(), "predicates on attributes are unsupported");
        } else if (token.kind == TokenKind::name && peek(1).is("(")) {
            if (!token.is_name("text")) return function_error(token);
            if (!parse_empty_call()) return false;
            step.axis = Axis::text;
            if (peek().is("[")) return fail(peek(), "predicates on text() are unsupported");
        } else if (token.is("*") || token.kind == TokenKind::name) {
            if (peek(1).is("::")) return axis_error(token);
            take();
            step.any_name = token.is("*");
            step.name = std::string(token.text);
            while (peek().is("["))
                if (!parse_predicate(step)) return false;
        } else if (token.is("$")) {
            return fail(token, "variables are unsupported");
        } else {
            return fail(token, "expected a step, found " + quoted(token));
        }
        program_.steps.push_back(std::move(step));
        return true;
    }

    bool parse_attribute_name(std::string& name, bool& any) {
        const Token& token = take();
        if (token.is("*")) {
            any = true;
            return true;
        }
        if (token.kind != TokenKind::name) return fail(token, "expected an attribute name");
        if (peek().is("::")) return axis_error(token);
        name = std::string(token.text);
        return true;
    }

    // name() or text(): the name, then "(" and ")".
    bool parse_empty_call() {
        take();
        take();
        if (!peek().is(")")) return fail(peek(), "expected ')'");
        take();
        return true;
    }

    bool parse_predicate(Step& step) {
        take();  // [
        Predicate predicate{Predicate::Kind::boolean, 0, {}};
        const Token& token = peek();
        if (token.kind == TokenKind::number && peek(1).is("]")) {
            if (!read_position(token, predicate.position)) return false;
            predicate.kind = Predicate::Kind::position;
            take();
        } else if (token.is_name("last") && peek(1).is("(") && peek(2).is(")") && peek(3).is("]")) {
            predicate.kind = Predicate::Kind::last;
            take();
            take();
            take();
        } else if (!parse_or(predicate.code, 0)) {
            return false;
        }
        if (!expect("]")) return false;
        step.predicates.push_back(std::move(predicate));
        return true;
    }

    bool read_position(const Token& token, std::size_t& position) {
        constexpr std::size_t LARGEST = static_cast<std::size_t>(-1) / 10 - 1;
        position = 0;
        for (char digit : token.text) {
            if (digit == '.') return fail(token, "positions are whole numbers, as in [2]");
            // A position beyond any document's size selects nothing, as it should.
            if (position < LARGEST)
                position = position * 10 + static_cast<std::size_t>(digit - '0');
        }
        return true;
    }

    // or binds looser than and: or-joined terms are and-joined unary tests.
    bool parse_or(std::vector<BooleanCode>& code, int depth) {
        return parse_joined(code, depth, true);
    }

    bool parse_joined(std::vector<BooleanCode>& code, int depth, bool joined_by_or) {
        auto term = [&] {
            return joined_by_or ? parse_joined(code, depth, false) : parse_unary(code, depth);
        };
        if (!term()) return false;
        while (peek().is_name(joined_by_or ? "or" : "and")) {
            take();
            if (!term()) return false;
            code.push_back({joined_by_or ? BooleanOp::or_op : BooleanOp::and_op});
        }
        return true;
    }

    bool parse_unary(std::vector<BooleanCode>& code, int depth) {
        const Token& token = peek();
        if (depth == MAX_NESTING) return fail(token, "expression nested too deeply");
        bool negated = token.is_name("not") && peek(1).is("(");
        if (negated || token.is("(")) {
            if (negated) take();
            take();
            if (!parse_or(code, depth + 1) || !expect(")")) return false;
            if (negated) code.push_back({BooleanOp::not_op});
            return true;
        }
        if (token.kind == TokenKind::number)
            return fail(token, "a position counts only as the whole predicate, as in [2]");
        if (token.is_name("last") && peek(1).is("("))
            return fail(token, "last() counts only as the whole predicate, as in [last()]");
        return parse_comparison(code);
    }

    bool parse_comparison(std::vector<BooleanCode>& code) {
        PredicateTest test;
        const Token& first = peek();
        if (first.kind == TokenKind::literal) {
            take();
            if (!is_comparison(peek()))
                return fail(peek(), "a string alone is no test: compare it with something");
            if (!read_operator(test) || !parse_subject(test)) return false;
            test.value = std::string(first.text);
        } else {
            if (!parse_subject(test)) return false;
            if (is_comparison(peek()) && (!read_operator(test) || !read_literal(test)))
                return false;
        }
        if (test.subject == TestSubject::attribute || test.subject == TestSubject::any_attribute)
            program_.reads_attributes = true;
        code.push_back({BooleanOp::test, static_cast<std::uint32_t>(program_.tests.size())});
        program_.tests.push_back(std::move(test));
        return true;
    }

    bool read_operator(PredicateTest& test) {
        const Token& token = peek();
        if (!token.is("=") && !token.is("!="))
            return fail(token, "unsupported operator " + quoted(token));
        take();
        test.compares = true;
        test.not_equal = token.is("!=");
        return true;
    }

    bool read_literal(PredicateTest& test) {
        const Token& token = peek();
        if (token.kind == TokenKind::number)
            return fail(token, "numbers compare as numbers, which is unsupported: quote it");
        if (token.kind != TokenKind::literal) return fail(token, "expected a quoted string");
        take();
        test.value = std::string(token.text);
        return true;
    }

    // What a test looks at: @name, @*, name, *, ., text() or name().
    bool parse_subject(PredicateTest& test) {
        const Token& token = peek();
        if (token.is("@")) {
            take();
            bool any = false;
            if (!parse_attribute_name(test.name, any)) return false;
            test.subject = any ? TestSubject::any_attribute : TestSubject::attribute;
        } else if (token.is("*") || token.is(".")) {
            take();
            test.subject = token.is("*") ? TestSubject::any_child : TestSubject::self;
        } else if (token.kind == TokenKind::name && peek(1).is("(")) {
            if (!token.is_name("text") && !token.is_name("name")) return function_error(token);
            if (!parse_empty_call()) return false;
            test.subject = token.is_name("text") ? TestSubject::text : TestSubject::name;
        } else if (token.kind == TokenKind::name) {
            if (peek(1).is("::")) return axis_error(token);
            take();
            test.subject = TestSubject::child;
            test.name = std::string(token.text);
        } else if (token.is("..") || token.is("/") || token.is("//")) {
            return fail(token, "paths inside predicates are unsupported");
        } else if (token.is("$")) {
            return fail(token, "variables are unsupported");
        } else {
            return fail(token, "expected a test, found " + quoted(token));
        }
        const Token& after = peek();
        if (after.is("/") || after.is("//"))
            return fail(after, "paths inside predicates are unsupported");
        if (after.is("[")) return fail(after, "predicates inside predicates are unsupported");
        return true;
    }

    const std::vector<Token>& tokens_;
    std::size_t next_ = 0;
    SelectProgram& program_;
    SelectError& error_;
};

}  // namespace

bool compile_expression(std::string_view expression, SelectProgram& program, SelectError& error) {
    std::vector<Token> tokens;
    if (!lex_expression(expression, tokens, error.message, error.column)) return false;
    if (tokens.front().kind == TokenKind::end) {
        error.message = "empty expression";
        error.column = 1;
        return false;
    }
    return ExpressionParser(tokens, program, error).parse();
}

}  // namespace xmlslice::detail
