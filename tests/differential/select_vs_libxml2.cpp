// The select engine against libxml2's XPath engine: random documents, random
// expressions from the grammar, the same answer from both. Node-sets are
// compared node by node in document order (each node by its position in the
// tree and its string value), numbers with NaN equal to NaN, strings and
// booleans exactly, and an error must be an error on both sides.
//
// What the two data models do not share is left out of the generators (see
// document_generator.hpp and expression_generator.hpp): comments and
// processing instructions, which libxml2 keeps as nodes that also split a
// run of text; the namespace axis, empty here; text outside the root
// element; unprefixed names in a default namespace and unbound prefixes,
// which compare as written here; numbers turned into strings outside the
// range libxml2 formats as XPath says (15 digits, exponents); and strings
// like 1e3, which libxml2 reads as numbers. White-space-only text is kept
// by both and is generated.
//
// A fixed seed and a bounded count by default; a longer run:
//   XMLSLICE_DIFFERENTIAL_DOCUMENTS=20000 XMLSLICE_DIFFERENTIAL_SEED=7
//   build/tests/xmlslice_select_differential
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "document_generator.hpp"
#include "expression_generator.hpp"
#include "libxml2_oracle.hpp"
#include "xmlslice_side.hpp"

namespace {

using namespace differential;

unsigned long setting(const char* name, unsigned long fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoul(text, nullptr, 10) : fallback;
}

struct Disagreement {
    std::string expression, ours, theirs;
    unsigned long document;
};

TEST(SelectAgainstLibxml2, RandomExpressionsOnRandomDocuments) {
    const unsigned long documents = setting("XMLSLICE_DIFFERENTIAL_DOCUMENTS", 500);
    const unsigned long per_document = 40;
    RandomSource random(setting("XMLSLICE_DIFFERENTIAL_SEED", 21));
    unsigned long tried = 0, agreed = 0, both_failed = 0;
    std::map<std::string, unsigned long> classes, deviations;
    std::vector<Disagreement> first;
    std::vector<std::string> texts;
    for (unsigned long d = 0; d < documents; ++d) {
        std::string text = random_document(random);
        Libxml2Document theirs(text);
        XmlsliceDocument ours(text);
        ASSERT_TRUE(theirs.parsed()) << text;
        ASSERT_TRUE(ours.parsed()) << text;
        ExpressionGenerator expressions(random);
        for (unsigned long e = 0; e < per_document; ++e) {
            std::string expression = expressions.expression();
            Answer mine = ours.evaluate(expression);
            Answer other = theirs.evaluate(expression);
            ++tried;
            std::string how = difference(mine, other);
            if (how.empty()) {
                ++agreed;
                both_failed += mine.kind == Answer::Kind::error;
                continue;
            }
            std::string known = libxml2_deviation(mine, other);
            if (!known.empty()) {
                ++deviations[known];
                continue;
            }
            if (++classes[how] <= 3) {
                first.push_back({expression, describe(mine), describe(other), d});
                if (texts.size() <= d) texts.resize(d + 1);
                texts[d] = text;
            }
        }
    }
    std::printf("%lu expressions on %lu documents: %lu agree (%lu refused by both)\n", tried,
                documents, agreed, both_failed);
    for (const auto& entry : deviations)
        std::printf("  known libxml2 deviation, %s: %lu\n", entry.first.c_str(), entry.second);
    for (const auto& entry : classes)
        std::printf("  disagreement, %s: %lu\n", entry.first.c_str(), entry.second);
    for (const Disagreement& each : first)
        ADD_FAILURE() << each.expression << "\n  here:    " << each.ours
                      << "\n  libxml2: " << each.theirs << "\n  document:\n"
                      << texts[each.document];
}

}  // namespace
