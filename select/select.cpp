// Select and SelectResult: compiling, running, and the functions around a path.
#include "xmlslice_select.hpp"

#include "select/expression_parser.hpp"
#include "select/path_evaluator.hpp"

namespace xmlslice {

using detail::Function;
using detail::SelectProgram;

namespace {

// What the path alone yields.
SelectKind path_kind(const SelectProgram& program) {
    if (program.steps.empty()) return SelectKind::elements;
    switch (program.steps.back().axis) {
        case detail::Axis::attribute:
            return SelectKind::attributes;
        case detail::Axis::text:
            return SelectKind::texts;
        default:
            return SelectKind::elements;
    }
}

SelectKind kind_of(const SelectProgram& program) {
    if (program.function == Function::count) return SelectKind::number;
    if (program.function != Function::none) return SelectKind::string;
    return path_kind(program);
}

// string() and name() of the first match, XPath's rule for a node set.
void describe_first(const SelectProgram& program, const SelectMatch& first, std::string& out) {
    bool element = path_kind(program) == SelectKind::elements;
    if (program.function == Function::name) {
        if (first.name) out = first.name;
        if (element && first.element->name) out = first.element->name;
    } else if (element) {
        append_string_value(first.element, out);
    } else {
        out.assign(first.value);
    }
}

}  // namespace

SelectResult::SelectResult() noexcept = default;
SelectResult::SelectResult(SelectResult&&) noexcept = default;
SelectResult& SelectResult::operator=(SelectResult&&) noexcept = default;
SelectResult::~SelectResult() = default;

Select::Select() noexcept = default;
Select::Select(Select&&) noexcept = default;
Select& Select::operator=(Select&&) noexcept = default;
Select::~Select() = default;

Select Select::compile(std::string_view expression, SelectError* error) {
    auto program = std::make_unique<SelectProgram>();
    SelectError ignored;
    SelectError& report = error ? *error : ignored;
    report = SelectError();
    Select select;
    if (detail::compile_expression(expression, *program, report))
        select.program_ = std::move(program);
    return select;
}

SelectKind Select::kind() const noexcept {
    return program_ ? kind_of(*program_) : SelectKind::elements;
}

SelectResult Select::run(XmlElement* context) const {
    SelectResult result;
    run(context, result);
    return result;
}

void Select::run(XmlElement* context, SelectResult& result) const {
    run_with(context, false, result);
}

void Select::run_from_document(XmlElement* element, SelectResult& result) const {
    run_with(element, true, result);
}

void Select::run_with(XmlElement* context, bool from_document, SelectResult& result) const {
    result.kind_ = kind();
    result.matches_.clear();
    result.number_ = 0;
    result.string_.clear();
    if (!program_ || !context) return;
    const SelectProgram& program = *program_;
    if (!program.has_path) {
        // string() and name() of the context; the document has no name.
        if (program.function == Function::string) {
            XmlElement* root = context;
            while (from_document && root->parent) root = root->parent;
            append_string_value(root, result.string_);
        } else if (!from_document && context->name) {
            result.string_ = context->name;
        }
        return;
    }
    if (!result.scratch_) result.scratch_ = std::make_unique<detail::SelectScratch>();
    detail::PathEvaluator evaluator(program, *result.scratch_);
    evaluator.run(context, from_document, result.matches_);
    if (program.function == Function::none) return;
    if (program.function == Function::count) {
        result.number_ = result.matches_.size();
    } else if (!result.matches_.empty()) {
        describe_first(program, result.matches_.front(), result.string_);
    }
    result.matches_.clear();
}

}  // namespace xmlslice
