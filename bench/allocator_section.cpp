// Warm parse of xmlslice and pugixml with each allocator preloaded, interleaved in one run.
#include <cstdio>

#include "sections.hpp"
#include "stats.hpp"

namespace bench {

namespace {

const char* const compared_libraries[] = {"xmlslice", "pugixml"};
constexpr std::size_t library_count = std::size(compared_libraries);

// Warm parse MB/s medians, [document][library * allocators + allocator].
using Table = std::vector<std::vector<double>>;

// The geomean over the documents of column `of` divided by column `by`.
double geomean_ratio(const Table& table, std::size_t of, std::size_t by) {
    std::vector<double> ratios;
    for (const std::vector<double>& row : table) ratios.push_back(row[of] / row[by]);
    return geomean(ratios);
}

void print_table(const std::vector<Document>& documents, const Options& options,
                 const Table& table) {
    const std::size_t allocators = options.allocators.size();
    std::printf("\n| warm parse MB/s (ratio to the same library with glibc) |");
    for (const char* library : compared_libraries)
        for (const Allocator& allocator : options.allocators)
            std::printf(" %s, %s |", library, allocator.name.c_str());
    std::printf("\n|---|");
    for (std::size_t column = 0; column < table[0].size(); ++column) std::printf("---|");
    for (std::size_t document = 0; document < documents.size(); ++document) {
        std::printf("\n| %s |", documents[document].label.c_str());
        for (std::size_t column = 0; column < table[document].size(); ++column) {
            const std::size_t glibc = column - column % allocators;
            std::printf(" %s", format(table[document][column]).c_str());
            if (column != glibc)
                std::printf(" (%s)",
                            format(table[document][column] / table[document][glibc]).c_str());
            std::printf(" |");
        }
    }
    std::printf("\n| geomean ratio to glibc |");
    for (std::size_t column = 0; column < table[0].size(); ++column)
        std::printf(" %s |",
                    format(geomean_ratio(table, column, column - column % allocators)).c_str());
    std::printf("\n\n| geomean, xmlslice / pugixml |");
    for (const Allocator& allocator : options.allocators)
        std::printf(" %s |", allocator.name.c_str());
    std::printf("\n|---|");
    for (std::size_t allocator = 0; allocator < allocators; ++allocator) std::printf("---|");
    std::printf("\n| same allocator for both |");
    for (std::size_t allocator = 0; allocator < allocators; ++allocator)
        std::printf(" %s |",
                    format(geomean_ratio(table, allocator, allocators + allocator)).c_str());
    std::printf("\n");
}

}  // namespace

void run_allocators(const std::vector<Document>& documents, const Options& options) {
    const std::size_t variants = library_count * options.allocators.size();
    // samples[document][variant] holds MB/s, one per round.
    std::vector<std::vector<std::vector<double>>> samples(
        documents.size(), std::vector<std::vector<double>>(variants));
    std::printf("\nAllocators: warm parse, medians of %d interleaved rounds\n", options.rounds);
    for (int round = 0; round < options.rounds; ++round) {
        std::fprintf(stderr, "round %d of %d\n", round + 1, options.rounds);
        for (std::size_t document = 0; document < documents.size(); ++document)
            in_turn(variants, round, [&](std::size_t variant) {
                const Allocator& allocator =
                    options.allocators[variant % options.allocators.size()];
                const char* library = compared_libraries[variant / options.allocators.size()];
                const ChildReport report =
                    measure_in_child(allocator, "warm", library, documents[document].path);
                if (report.ok)
                    samples[document][variant].push_back(documents[document].length / 1e6 /
                                                         report.first);
            });
    }
    Table table(documents.size(), std::vector<double>(variants));
    for (std::size_t document = 0; document < documents.size(); ++document)
        for (std::size_t variant = 0; variant < variants; ++variant)
            table[document][variant] = median(samples[document][variant]);
    print_table(documents, options, table);
}

}  // namespace bench
