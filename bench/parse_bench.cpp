// Parse throughput from memory, in place on a fresh copy, for every library built in.
#include <cstring>
#include <string>
#include <vector>

#include "gbench_main.hpp"

namespace {

void parse_document(benchmark::State& state, bench::Peer* peer, int kind) {
    const std::string& text = bench::generated_document(kind);
    std::vector<char> copy(text.size() + 1);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(copy.data(), text.c_str(), text.size() + 1);
        state.ResumeTiming();
        const bool parsed = peer->parse(copy.data(), text.size());
        state.PauseTiming();
        peer->release();
        bench::settle_heap();
        state.ResumeTiming();
        if (!parsed) state.SkipWithError("parse failed");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

}  // namespace

int main(int argc, char** argv) {
    return bench::run_benchmarks(argc, argv, "parse", parse_document);
}
