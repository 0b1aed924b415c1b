// Shared main of the Google Benchmark programs: one benchmark per library and document.
#ifndef XMLSLICE_BENCH_GBENCH_MAIN_HPP
#define XMLSLICE_BENCH_GBENCH_MAIN_HPP

#include <benchmark/benchmark.h>

#include <string>

#include "corpus.hpp"
#include "peer.hpp"

namespace bench {

// Registers `body(state, peer, kind)` as <library>_<what>/<document> and runs the selection.
inline int run_benchmarks(int argc, char** argv, const char* what,
                          void (*body)(benchmark::State&, Peer*, int)) {
    const Peers peers = available_peers();
    for (int kind = 0; kind < generated_count; ++kind)
        for (const auto& peer : peers) {
            const std::string name =
                std::string(peer->name()) + "_" + what + "/" + generated_name(kind);
            benchmark::RegisterBenchmark(name.c_str(), body, peer.get(), kind)
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace bench

#endif
