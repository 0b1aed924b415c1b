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

}  // namespace bench

#endif
