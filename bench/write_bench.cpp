// Serialisation throughput of a parsed tree to memory, for every library built in.
#include <string>
#include <vector>

#include "gbench_main.hpp"

namespace {

void write_document(benchmark::State& state, bench::Peer* peer, int kind) {
    const std::string& text = bench::generated_document(kind);
    std::vector<char> copy(text.begin(), text.end());
    copy.push_back('\0');
    if (!peer->parse(copy.data(), text.size())) state.SkipWithError("parse failed");
    std::size_t written = 0;
    for (auto _ : state) {
        state.PauseTiming();
        peer->reserve_output(text.size() + text.size() / 4);
        state.ResumeTiming();
        peer->write();
        written += peer->output_size();
        state.PauseTiming();
        peer->discard_output();
        state.ResumeTiming();
    }
    peer->release();
    // Bytes of output: xmlslice writes no declaration, comments or indentation.
    state.SetBytesProcessed(static_cast<std::int64_t>(written));
}

}  // namespace

int main(int argc, char** argv) {
    return bench::run_benchmarks(argc, argv, "write", write_document);
}
