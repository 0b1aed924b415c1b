// Select, SelectResult: compiling, running, and reading a run's value.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "select/bindings.hpp"
#include "select/evaluator.hpp"
#include "select/expression_parser.hpp"
#include "select/xpath_number.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice {

using detail::Expr;
using detail::Node;
using detail::Op;
using detail::SelectProgram;
using detail::SelectScratch;
using detail::Value;
using detail::ValueKind;
using detail::ValueType;

namespace {

// What a path's nodes are, as far as its last step tells.
SelectKind path_kind(const SelectProgram& program, const detail::PathExpr& path);

SelectKind static_kind(const SelectProgram& program, std::uint32_t index) {
    const Expr& expr = program.exprs[index];
    switch (expr.type) {
        case ValueType::number:
            return SelectKind::number;
        case ValueType::string:
            return SelectKind::string;
        case ValueType::boolean:
            return SelectKind::boolean;
        case ValueType::any:
            return SelectKind::any;
        case ValueType::node_set:
            break;
    }
    if (expr.op == Op::path) return path_kind(program, program.paths[expr.path]);
    if (expr.op == Op::union_op) {
        SelectKind left = static_kind(program, expr.left);
        return left == static_kind(program, expr.right) ? left : SelectKind::nodes;
    }
    return expr.op == Op::call ? SelectKind::elements : SelectKind::nodes;  // id()
}

SelectKind path_kind(const SelectProgram& program, const detail::PathExpr& path) {
    if (path.steps.empty()) {
        if (path.has_filter) {
            SelectKind head = static_kind(program, path.filter);
            return head == SelectKind::any ? SelectKind::nodes : head;
        }
        return SelectKind::nodes;  // '/' or nothing
    }
    const detail::Step& last = path.steps.back();
    if (last.test.kind == detail::TestKind::text) return SelectKind::texts;
    if (last.axis == detail::Axis::attribute) return SelectKind::attributes;
    switch (last.test.kind) {
        case detail::TestKind::name:
        case detail::TestKind::prefix_any:
        case detail::TestKind::any_name:
        case detail::TestKind::nothing:
            return SelectKind::elements;
        default:
            return SelectKind::nodes;
    }
}

// The kind of a node-set result: what the expression promises, else what
// the nodes are.
SelectKind node_set_kind(SelectKind promised, const SelectMatch* nodes, std::size_t count) {
    if (promised == SelectKind::elements || promised == SelectKind::attributes ||
        promised == SelectKind::texts)
        return promised;
    if (count == 0) return SelectKind::nodes;
    NodeKind first = nodes[0].kind;
    for (std::size_t k = 1; k < count; ++k)
        if (nodes[k].kind != first) return SelectKind::nodes;
    switch (first) {
        case NodeKind::element:
            return SelectKind::elements;
        case NodeKind::attribute:
            return SelectKind::attributes;
        case NodeKind::text:
            return SelectKind::texts;
        default:
            return SelectKind::nodes;
    }
}

// Readies scratch for a run over the document whose root record is top.
bool prepare(SelectScratch& scratch, const SelectProgram& program, XmlElement* top) {
    scratch.strings.reset();
    scratch.free_sets.clear();
    scratch.free_sets.append(scratch.sets.data(), scratch.sets.size());
    scratch.order.reset();
    scratch.ids.reset();
    while (scratch.equality.size() < program.equality_caches) {
        void* memory = std::calloc(1, sizeof(detail::EqualityCache));
        if (!memory) return false;
        auto* cache = new (memory) detail::EqualityCache();
        if (!scratch.equality.push_back(cache)) {
            cache->~EqualityCache();
            std::free(memory);
            return false;
        }
    }
    for (detail::EqualityCache* cache : scratch.equality) {
        cache->budget = detail::EQUALITY_BUDGET;
        cache->ready = false;
    }
    return scratch.attributes.load(top);
}

// The run's value of each variable the program reads.
bool bind_variables(const SelectProgram& program, const detail::BindingTable* table,
                    SelectScratch& scratch, detail::Evaluator& evaluator, XmlElement* top) {
    if (!scratch.variables.resize(program.variables.size())) return evaluator.out_of_memory();
    for (std::size_t k = 0; k < program.variables.size(); ++k) {
        const std::string& name = program.variables[k];
        const detail::VariableBinding* binding = table ? table->find(name) : nullptr;
        if (!binding) return evaluator.fail_naming("unbound variable $", name, "");
        Value value;
        switch (binding->type) {
            case ValueType::number:
                value.kind = ValueKind::number;
                value.number = binding->number;
                break;
            case ValueType::boolean:
                value.kind = ValueKind::boolean;
                value.boolean = binding->boolean;
                break;
            case ValueType::node_set: {
                value.kind = ValueKind::nodes;
                value.set = evaluator.acquire();
                if (!value.set) return evaluator.out_of_memory();
                for (const SelectMatch& match : binding->nodes)
                    if (!value.set->nodes.push_back(detail::from_match(match, scratch.attributes)))
                        return evaluator.out_of_memory();
                if (!scratch.order.sort(value.set->nodes, top)) return evaluator.out_of_memory();
                break;
            }
            default: {
                // Copied: the host may change the binding while the result lives.
                std::string_view text = detail::view_of(binding->string);
                char* kept = scratch.strings.allocate(text.size());
                if (!kept) return evaluator.out_of_memory();
                if (!text.empty()) std::memcpy(kept, text.data(), text.size());
                value.kind = ValueKind::string;
                value.string = std::string_view(kept, text.size());
                break;
            }
        }
        scratch.variables[k] = value;
    }
    return true;
}

}  // namespace

SelectResult::SelectResult() noexcept = default;
SelectResult::SelectResult(SelectResult&&) noexcept = default;
SelectResult& SelectResult::operator=(SelectResult&&) noexcept = default;
SelectResult::~SelectResult() = default;

bool SelectResult::boolean() const noexcept {
    switch (kind_) {
        case SelectKind::boolean:
            return boolean_;
        case SelectKind::number:
            return number_ != 0 && !std::isnan(number_);
        case SelectKind::string:
            return !string_.empty();
        case SelectKind::error:
        case SelectKind::any:
            return false;
        default:
            return count_ > 0;
    }
}

double SelectResult::number() const noexcept {
    switch (kind_) {
        case SelectKind::number:
            return number_;
        case SelectKind::boolean:
            return boolean_ ? 1 : 0;
        case SelectKind::error:
        case SelectKind::any:
            return std::numeric_limits<double>::quiet_NaN();
        default:
            return detail::parse_xpath_number(string());
    }
}

std::string_view SelectResult::string() const& noexcept {
    if (string_ready_ || kind_ == SelectKind::error || kind_ == SelectKind::any) return string_;
    string_ready_ = true;
    if (kind_ == SelectKind::boolean) return string_ = boolean_ ? "true" : "false";
    if (!scratch_) return string_;
    detail::Buffer<char>& text = scratch_->result_text;
    text.clear();
    if (kind_ == SelectKind::number) {
        if (!text.resize(detail::NUMBER_TEXT_ROOM)) return string_;
        text.truncate(detail::format_number(number_, text.data()));
        return string_ = detail::view_of(text);
    }
    if (count_ == 0) return string_;
    const SelectMatch& first = nodes_[0];
    if (first.kind == NodeKind::attribute || first.kind == NodeKind::text)
        return string_ = first.value;
    if (!first.element->name) return string_;
    bool ok = true;
    detail::WalkEnd end = detail::for_each_string_value_run(
        first.element, scratch_->text_stack, [&](std::string_view run) {
            ok = text.append(run.data(), run.size());
            return ok;
        });
    if (!ok || end != detail::WalkEnd::finished) return string_;
    return string_ = detail::view_of(text);
}

Select::Select() noexcept = default;
Select::Select(Select&&) noexcept = default;
Select& Select::operator=(Select&&) noexcept = default;
Select::~Select() = default;

Select Select::compile(std::string_view expression, SelectError* error) {
    return compile(expression, SelectBindings(), error);
}

Select Select::compile(std::string_view expression, const SelectBindings& bindings,
                       SelectError* error) {
    auto program = std::make_unique<SelectProgram>();
    SelectError ignored;
    SelectError& report = error ? *error : ignored;
    report = SelectError();
    Select select;
    if (detail::compile_expression(expression, bindings.table_.get(), *program, report))
        select.program_ = std::move(program);
    return select;
}

SelectKind Select::kind() const noexcept {
    return program_ ? static_kind(*program_, program_->top) : SelectKind::elements;
}

SelectResult Select::run(XmlElement* context) const {
    SelectResult result;
    run(context, result);
    return result;
}

void Select::run(XmlElement* context, SelectResult& result) const {
    run_with(context, false, result, nullptr);
}

void Select::run(XmlElement* context, SelectResult& result, const SelectBindings& bindings) const {
    run_with(context, false, result, &bindings);
}

void Select::run_from_document(XmlElement* element, SelectResult& result) const {
    run_with(element, true, result, nullptr);
}

void Select::run_from_document(XmlElement* element, SelectResult& result,
                               const SelectBindings& bindings) const {
    run_with(element, true, result, &bindings);
}

void Select::run_with(XmlElement* context, bool from_document, SelectResult& result,
                      const SelectBindings* bindings) const {
    result.kind_ = SelectKind::elements;
    result.error_ = nullptr;
    result.nodes_ = nullptr;
    result.count_ = 0;
    result.number_ = 0;
    result.boolean_ = false;
    result.string_ = {};
    result.string_ready_ = false;
    if (!program_ || !context) return;
    const SelectProgram& program = *program_;
    auto fail = [&result](const char* message) {
        result.kind_ = SelectKind::error;
        result.error_ = message;
    };
    if (!result.scratch_) result.scratch_.reset(new (std::nothrow) SelectScratch());
    if (!result.scratch_) return fail("out of memory");
    SelectScratch& scratch = *result.scratch_;
    XmlElement* top = context;
    while (top->parent) top = top->parent;
    if (!prepare(scratch, program, top)) return fail("out of memory");
    detail::Evaluator evaluator(program, scratch, top);
    const detail::BindingTable* table = bindings ? bindings->table_.get() : nullptr;
    Value value;
    Node start = from_document ? detail::root_node(top) : detail::element_node(context);
    if (!bind_variables(program, table, scratch, evaluator, top) ||
        !evaluator.evaluate(start, value))
        return fail(evaluator.error());
    switch (value.kind) {
        case ValueKind::number:
            result.kind_ = SelectKind::number;
            result.number_ = value.number;
            return;
        case ValueKind::boolean:
            result.kind_ = SelectKind::boolean;
            result.boolean_ = value.boolean;
            return;
        case ValueKind::string: {
            // Copied: a literal lives in the query, which may go first.
            detail::Buffer<char>& text = scratch.result_text;
            text.clear();
            if (!text.append(value.string.data(), value.string.size()))
                return fail("out of memory");
            result.kind_ = SelectKind::string;
            result.string_ = detail::view_of(text);
            result.string_ready_ = true;
            return;
        }
        case ValueKind::nodes:
            break;
    }
    detail::Buffer<SelectMatch>& matches = scratch.matches;
    matches.clear();
    if (!matches.reserve(value.set->nodes.size())) return fail("out of memory");
    for (const Node& node : value.set->nodes) matches.push_back(detail::to_match(node));
    result.nodes_ = matches.data();
    result.count_ = matches.size();
    result.kind_ = node_set_kind(static_kind(program, program.top), matches.data(), matches.size());
}

}  // namespace xmlslice
