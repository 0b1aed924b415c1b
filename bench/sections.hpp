// The sections of the comparison: each starts its measuring children and prints its tables.
#ifndef XMLSLICE_BENCH_SECTIONS_HPP
#define XMLSLICE_BENCH_SECTIONS_HPP

#include <string>
#include <vector>

#include "results.hpp"
#include "spawn.hpp"

namespace bench {

struct Options {
    int rounds = 7;
    std::string section;  // empty for corpus and scaling
    Allocator allocator{"glibc", ""};
    std::vector<Allocator> allocators;  // compared by the allocators section
    std::string ratio_table;            // where the corpus ratios go for the chart, if anywhere
    std::string corpus_directory;       // keeps the generated documents there when set
};

// Calls step(i) for i in 0..count-1, starting at a different i each round, so that the drift
// of a shared machine falls on every library alike.
template <class Step>
void in_turn(std::size_t count, int round, Step step) {
    for (std::size_t turn = 0; turn < count; ++turn) step((turn + round) % count);
}

void run_corpus(const std::vector<Document>& documents, const std::vector<std::string>& libraries,
                const Options& options);
void run_scaling(const std::vector<std::string>& libraries, const Options& options);
void run_allocators(const std::vector<Document>& documents, const Options& options);

}  // namespace bench

#endif
