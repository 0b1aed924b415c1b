// Parse throughput from memory, in place, against pugixml where it is installed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "corpus.hpp"
#include "xmlslice.hpp"
#ifdef HAVE_PUGIXML
#include <pugixml.hpp>
#endif

namespace {

constexpr std::size_t document_bytes = 50u << 20;

const std::string& document(int kind) {
    static const std::string documents[] = {bench::records_document(document_bytes),
                                            bench::text_document(document_bytes / 2),
                                            bench::attribute_document(document_bytes / 2)};
    return documents[kind];
}

template <class Parse>
void run(benchmark::State& state, Parse parse) {
    const std::string& text = document(static_cast<int>(state.range(0)));
    std::vector<char> copy(text.size() + 1);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(copy.data(), text.data(), text.size());
        state.ResumeTiming();
        parse(copy.data(), text.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void xmlslice_parse(benchmark::State& state) {
    run(state, [&](char* buffer, std::size_t length) {
        xmlslice::XmlElement* root = xmlslice::document_parse_buffer(buffer, length);
        benchmark::DoNotOptimize(root);
        state.PauseTiming();
        xmlslice::element_free(root);
        state.ResumeTiming();
    });
}
BENCHMARK(xmlslice_parse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

#ifdef HAVE_PUGIXML
void pugixml_parse(benchmark::State& state) {
    run(state, [&](char* buffer, std::size_t length) {
        auto* doc = new pugi::xml_document;
        benchmark::DoNotOptimize(doc->load_buffer_inplace(buffer, length));
        state.PauseTiming();
        delete doc;
        state.ResumeTiming();
    });
}
BENCHMARK(pugixml_parse)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
