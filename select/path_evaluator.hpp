// Runs the location path of a compiled program step by step. Every step
// turns a set of elements in document order, without duplicates, into the
// next such set; the last step may yield attribute values or text runs.
#ifndef XMLSLICE_SELECT_PATH_EVALUATOR_HPP
#define XMLSLICE_SELECT_PATH_EVALUATOR_HPP

#include <vector>

#include "select/attribute_lookup.hpp"
#include "select/character_data.hpp"
#include "select/equal_string_values.hpp"
#include "select/pointer_set.hpp"
#include "select/predicate_tests.hpp"
#include "select/select_program.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

// One level of a walk: whether the element there is a parent whose children
// the step selects from, and its selected children when positions count.
struct WalkFrame {
    bool active = false;
    bool emitted = false;  // the element itself was selected
    std::size_t group_begin = 0;
    std::size_t group_end = 0;
    std::size_t cursor = 0;
};

// Working memory of runs, kept in a result so that reusing the result
// reuses it.
struct SelectScratch {
    std::vector<XmlElement*> current;
    std::vector<XmlElement*> next;
    std::vector<XmlElement*> groups;  // the selected children of open parents
    std::vector<WalkFrame> frames;
    std::vector<TextCursor> text_stack;
    std::vector<char> truth_stack;
    std::vector<EqualStringValues> equal_values;  // one per test of the program
    PointerSet parents;
    AttributeLookup attributes;
};

class PathEvaluator {
  public:
    PathEvaluator(const SelectProgram& program, SelectScratch& scratch);

    // Runs the program's path. The start is the document above the root
    // for absolute paths and when from_document is set, else context.
    // Appends the matches, in document order, to matches.
    void run(XmlElement* context, bool from_document, std::vector<SelectMatch>& matches);

  private:
    void apply(const Step& step);
    void select_children(const Step& step);
    void walk_step(const Step& step, bool every_node_active);
    void descendants_or_self();
    void parents();
    void collect_group(XmlElement* parent, const Step& step, std::vector<XmlElement*>& out);
    XmlElement* first_candidate(XmlElement* parent, const Step& step) const;
    XmlElement* next_candidate(XmlElement* child, const Step& step) const;
    void filter_group(const Predicate& predicate, std::vector<XmlElement*>& out, std::size_t begin);
    bool passes(const Step& step, XmlElement* element);
    void attribute_matches(const Step& step, std::vector<SelectMatch>& matches);
    void text_matches(std::vector<SelectMatch>& matches);
    void finish_step(bool nested);

    const SelectProgram& program_;
    SelectScratch& scratch_;
    PredicateTests tests_;
    XmlElement* root_ = nullptr;
    bool at_document_ = false;  // the set is the document alone
    bool nested_ = false;       // the set may hold an element and its descendant
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_PATH_EVALUATOR_HPP
