// Decides the boolean predicates of a step for one element.
#ifndef XMLSLICE_SELECT_PREDICATE_TESTS_HPP
#define XMLSLICE_SELECT_PREDICATE_TESTS_HPP

#include <string_view>
#include <vector>

#include "select/attribute_lookup.hpp"
#include "select/character_data.hpp"
#include "select/select_program.hpp"

namespace xmlslice::detail {

class PredicateTests {
  public:
    PredicateTests(const SelectProgram& program, AttributeLookup& attributes,
                   std::vector<TextCursor>& text_stack, std::vector<char>& truth_stack)
        : program_(program),
          attributes_(attributes),
          text_stack_(text_stack),
          truth_stack_(truth_stack) {}

    // Whether the boolean predicate holds for element.
    bool holds(const Predicate& predicate, XmlElement* element);

  private:
    bool passes(const PredicateTest& test, XmlElement* element);
    bool some_child_passes(const PredicateTest& test, XmlElement* element);
    bool some_attribute_passes(const PredicateTest& test, XmlElement* element);
    bool some_text_run_passes(const PredicateTest& test, XmlElement* element);
    bool string_value_is(const XmlElement* element, std::string_view expected);

    const SelectProgram& program_;
    AttributeLookup& attributes_;
    std::vector<TextCursor>& text_stack_;
    std::vector<char>& truth_stack_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_PREDICATE_TESTS_HPP
