// Decides the boolean predicates of a step for one element.
#ifndef XMLSLICE_SELECT_PREDICATE_TESTS_HPP
#define XMLSLICE_SELECT_PREDICATE_TESTS_HPP

#include <string_view>
#include <vector>

#include "select/attribute_lookup.hpp"
#include "select/equal_string_values.hpp"
#include "select/select_program.hpp"

namespace xmlslice::detail {

class PredicateTests {
  public:
    // equal_values[k] holds, for a test k that compares string values, the
    // elements whose string value is the test's string: found beforehand
    // for the whole step (see prepare), not once per element.
    PredicateTests(const SelectProgram& program, AttributeLookup& attributes,
                   std::vector<EqualStringValues>& equal_values, std::vector<char>& truth_stack)
        : program_(program),
          attributes_(attributes),
          equal_values_(equal_values),
          truth_stack_(truth_stack) {}

    // Finds the string values the step's predicates compare with, among the
    // subtrees of the step's context: members (document order), or the
    // whole document when members is null.
    void prepare(const Step& step, const std::vector<XmlElement*>* members, XmlElement* root);

    // Whether the boolean predicate holds for element.
    bool holds(const Predicate& predicate, XmlElement* element);

  private:
    static bool compares_string_values(const PredicateTest& test);
    bool passes(std::uint32_t index, XmlElement* element);
    bool some_child_passes(std::uint32_t index, XmlElement* element);
    bool some_attribute_passes(const PredicateTest& test, XmlElement* element);
    bool some_text_run_passes(const PredicateTest& test, XmlElement* element);
    bool string_value_passes(std::uint32_t index, const XmlElement* element) const;

    const SelectProgram& program_;
    AttributeLookup& attributes_;
    std::vector<EqualStringValues>& equal_values_;
    std::vector<char>& truth_stack_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_PREDICATE_TESTS_HPP
