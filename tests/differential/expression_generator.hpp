// Random XPath 1.0 expressions from the grammar, over the names the document
// generator uses and names absent from every document (of several lengths).
//
// Expressions are mostly well typed; a few are not (a number where a
// node-set is needed, an unknown function, a cut-off expression), and both
// engines must then fail. Where a number becomes a string it is one that
// every formatter writes alike (an integer below 1000, a quarter, NaN or an
// infinity): libxml2 writes 15 significant digits and switches to an
// exponent outside 1e-5 .. 1e9, where XPath asks for the shortest exact form.
#ifndef XMLSLICE_DIFFERENTIAL_EXPRESSION_GENERATOR_HPP
#define XMLSLICE_DIFFERENTIAL_EXPRESSION_GENERATOR_HPP

#include <string>

#include "random_source.hpp"

namespace differential {

// Prefixes the expressions use, bound by the host in both engines.
struct PrefixBinding {
    const char* prefix;
    const char* uri;
};
constexpr PrefixBinding expression_prefixes[] = {{"p", "urn:p"}, {"o", "urn:o"}};

// Variables the expressions use, bound by the host in both engines.
constexpr const char* string_variable_value = "ab";
constexpr double number_variable_value = 2;

class ExpressionGenerator {
  public:
    explicit ExpressionGenerator(RandomSource& random) : random_(random) {}

    std::string expression();

  private:
    std::string node_set(int depth);
    std::string location_path(int depth);
    std::string relative_path(int depth);
    std::string step(int depth);
    std::string id_argument(int depth);
    std::string predicate(int depth);
    std::string number(int depth);
    std::string tame_number(int depth);
    std::string string(int depth);
    std::string boolean(int depth);
    std::string any(int depth);
    std::string convertible_to_string(int depth);
    std::string ill_typed(int depth);
    bool leaf(int depth) { return depth >= 4 || random_.chance(15 + 15 * depth); }

    RandomSource& random_;
    bool attribute_context_ = false;  // the context node may be an attribute
};

}  // namespace differential

#endif  // XMLSLICE_DIFFERENTIAL_EXPRESSION_GENERATOR_HPP
