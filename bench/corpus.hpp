// Deterministic generated documents for the benchmarks.
#ifndef XMLSLICE_BENCH_CORPUS_HPP
#define XMLSLICE_BENCH_CORPUS_HPP

#include <cstddef>
#include <string>

namespace bench {

// A pretty-printed data dump: many records with attributes and a few children.
std::string records_document(std::size_t bytes);
// Paragraphs of text with entity and character references.
std::string text_document(std::size_t bytes);
// Elements carrying many attributes each.
std::string attribute_document(std::size_t bytes);

// The three documents above at their benchmark sizes, built once on first use.
constexpr int generated_count = 3;
const char* generated_name(int kind);
const std::string& generated_document(int kind);

// Shapes that punish a parser step whose cost grows with what came before it.
struct Shape {
    const char* name;
    std::string (*make)(std::size_t bytes);
    bool written = false;  // the figure is the write of the parsed tree, not the parse
};
extern const Shape adversarial_shapes[8];

}  // namespace bench

#endif
