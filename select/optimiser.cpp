#include "select/optimiser.hpp"

#include <cmath>

namespace xmlslice::detail {

namespace {

bool is_plain_descendant_or_self(const Step& step) {
    return step.axis == Axis::descendant_or_self && step.test.kind == TestKind::node &&
           step.predicates.empty() && step.plan == StepPlan::general;
}

void plan_steps(std::vector<Step>& steps) {
    for (std::size_t k = 0; k + 1 < steps.size(); ++k) {
        if (!is_plain_descendant_or_self(steps[k])) continue;
        Step& next = steps[k + 1];
        if (next.axis == Axis::child && !next.positional()) {
            next.axis = Axis::descendant;
            steps.erase(steps.begin() + static_cast<std::ptrdiff_t>(k));
        } else if (next.axis == Axis::child && next.test.kind != TestKind::text &&
                   next.test.kind != TestKind::node) {
            steps[k].test.kind = TestKind::container;
            steps[k].plan = StepPlan::fused;
            next.plan = StepPlan::per_parent;
        } else if (next.axis == Axis::child || next.axis == Axis::attribute) {
            // Texts have neither children nor attributes.
            steps[k].test.kind = TestKind::container;
        }
    }
}

// The attribute name when expr is a plain @name, else null.
const std::string* plain_attribute(const SelectProgram& program, const Expr& expr) {
    if (expr.op != Op::path) return nullptr;
    const PathExpr& path = program.paths[expr.path];
    if (path.has_filter || path.absolute || path.steps.size() != 1) return nullptr;
    const Step& step = path.steps[0];
    bool plain = step.axis == Axis::attribute && step.test.kind == TestKind::name &&
                 !step.test.by_uri && step.predicates.empty();
    return plain ? &step.test.name : nullptr;
}

void plan_predicate(const SelectProgram& program, Predicate& predicate) {
    const Expr& expr = program.exprs[predicate.expr];
    if (const std::string* name = plain_attribute(program, expr)) {
        predicate.plan = PredicatePlan::has_attribute;
        predicate.attribute = *name;
        return;
    }
    if (expr.op == Op::equal || expr.op == Op::not_equal) {
        const Expr& left = program.exprs[expr.left];
        const Expr& right = program.exprs[expr.right];
        const Expr& literal = left.op == Op::string ? left : right;
        const std::string* name = plain_attribute(program, left.op == Op::string ? right : left);
        if (literal.op == Op::string && name) {
            predicate.plan = PredicatePlan::attribute_equals;
            predicate.attribute = *name;
            predicate.literal = literal.text;
            predicate.equal = expr.op == Op::equal;
            return;
        }
    }
    if (expr.op == Op::number) {
        predicate.plan = PredicatePlan::position;
        predicate.position = expr.number;
    } else if (expr.op == Op::call && expr.function == Function::last) {
        predicate.plan = PredicatePlan::last;
    }
}

// The plan for comparing operand's string values with a literal.
EqualityPlan equality_plan(const SelectProgram& program, const Expr& operand) {
    if (operand.op != Op::path) return EqualityPlan::none;
    const PathExpr& path = program.paths[operand.path];
    if (path.has_filter || path.absolute || path.steps.size() != 1) return EqualityPlan::none;
    const Step& step = path.steps[0];
    if (!step.predicates.empty()) return EqualityPlan::none;
    if (step.axis == Axis::self && step.test.kind == TestKind::node) return EqualityPlan::self;
    bool plain_name = (step.test.kind == TestKind::name && !step.test.by_uri) ||
                      step.test.kind == TestKind::any_name;
    if (step.axis == Axis::child && plain_name) return EqualityPlan::child;
    if (plain_attribute(program, operand)) return EqualityPlan::attribute;
    return EqualityPlan::none;
}

void plan_equality(SelectProgram& program, Expr& expr) {
    if (expr.op != Op::equal && expr.op != Op::not_equal) return;
    bool literal_left = program.exprs[expr.left].op == Op::string;
    bool literal_right = program.exprs[expr.right].op == Op::string;
    if (literal_left == literal_right) return;
    std::uint32_t operand = literal_left ? expr.right : expr.left;
    EqualityPlan plan = equality_plan(program, program.exprs[operand]);
    if (plan == EqualityPlan::none) return;
    expr.equality = plan;
    expr.literal_side = literal_left ? expr.left : expr.right;
    expr.cache = program.equality_caches++;
}

}  // namespace

void optimise_program(SelectProgram& program) {
    for (PathExpr& path : program.paths) {
        plan_steps(path.steps);
        for (Step& step : path.steps)
            for (Predicate& predicate : step.predicates) plan_predicate(program, predicate);
        for (Predicate& predicate : path.filter_predicates) plan_predicate(program, predicate);
    }
    for (Expr& expr : program.exprs) plan_equality(program, expr);
}

}  // namespace xmlslice::detail
