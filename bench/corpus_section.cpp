// Every library on every document: warm and cold parse, serialise, heap, file load.
#include <cstdio>

#include "report.hpp"
#include "sections.hpp"

namespace bench {

void run_corpus(const std::vector<Document>& documents, const std::vector<std::string>& libraries,
                const Options& options) {
    CorpusResults results(documents, libraries);
    std::printf(
        "\nCorpus: medians of %d interleaved rounds, every figure from a process of its"
        " own; (x) is the ratio to pugixml.\n",
        options.rounds);
    for (int round = 0; round < options.rounds; ++round) {
        std::fprintf(stderr, "round %d of %d\n", round + 1, options.rounds);
        for (std::size_t document = 0; document < documents.size(); ++document)
            for (const char* kind : child_kinds)
                in_turn(libraries.size(), round, [&](std::size_t library) {
                    const ChildReport report = measure_in_child(
                        options.allocator, kind, libraries[library], documents[document].path);
                    results.add(document, library, kind, report);
                });
    }
    for (std::size_t document = 0; document < documents.size(); ++document)
        print_document_table(results, document);
    print_geomeans(results);
    print_xmlslice_ratios(results);
    print_targets(results);
    print_spread(results);
    if (!options.ratio_table.empty() && !write_ratio_table(results, options.ratio_table))
        std::printf("could not write %s\n", options.ratio_table.c_str());
}

}  // namespace bench
