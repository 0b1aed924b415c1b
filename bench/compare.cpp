// xmlslice side by side with its peer XML libraries, in one run.
//
// Each figure is the median of several rounds. Within a round the libraries take turns on
// every document, starting with a different one each round, so that the drift of a shared
// machine falls on all of them alike.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corpus.hpp"
#include "peer.hpp"

namespace {

using bench::Peer;
using bench::Peers;
using bench::settle_heap;
using Clock = std::chrono::steady_clock;

// Small documents are parsed repeatedly until one sample covers at least this much text.
constexpr std::size_t sample_bytes = 8u << 20;
// Size of the adversarial shapes at scale 1; they are also run at 4 and 16 times this.
constexpr std::size_t shape_bytes = 3u << 19;

const char* const real_documents[] = {
    "/usr/share/mime/packages/freedesktop.org.xml",
    "/usr/share/xml/iso-codes/iso_639-3.xml",
    "/usr/share/xml/iso-codes/iso_3166-2.xml",
    "/usr/share/X11/xkb/rules/base.xml",
};

struct Document {
    std::string name;
    std::string path;
    std::string text;
};

// One library on one document in one round; times are seconds per pass.
struct Sample {
    double parse = 0, release = 0, load = 0, write = 0;
    std::size_t written = 0;
    long heap = 0;
    bool ok = true;
};

template <class Step>
double timed(Step step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long heap_in_use() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// Parses a fresh copy of `text`; the copy is not timed.
double parse_copy(Peer& peer, const std::string& text, std::vector<char>& copy, bool& ok) {
    std::memcpy(copy.data(), text.c_str(), text.size() + 1);
    return timed([&] { ok = peer.parse(copy.data(), text.size()) && ok; });
}

Sample measure_pass(Peer& peer, const Document& document, std::vector<char>& copy) {
    Sample sample;
    const std::size_t length = document.text.size();
    const long before = heap_in_use();
    sample.parse = parse_copy(peer, document.text, copy, sample.ok);
    sample.heap = heap_in_use() - before - static_cast<long>(peer.input_copy_bytes(length));
    peer.reserve_output(length + length / 4);
    sample.write = timed([&] { sample.written = peer.write(); });
    peer.discard_output();
    settle_heap();
    sample.release = timed([&] {
        peer.release();
        settle_heap();
    });
    sample.load = timed([&] { sample.ok = peer.load(document.path.c_str()) && sample.ok; });
    peer.release();
    settle_heap();
    return sample;
}

std::size_t passes_for(std::size_t length) {
    return std::max<std::size_t>(1, sample_bytes / length);
}

Sample measure(Peer& peer, const Document& document, std::vector<char>& copy) {
    const std::size_t passes = passes_for(document.text.size());
    Sample total;
    for (std::size_t i = 0; i < passes; ++i) {
        const Sample pass = measure_pass(peer, document, copy);
        total.parse += pass.parse / passes;
        total.release += pass.release / passes;
        total.load += pass.load / passes;
        total.write += pass.write / passes;
        total.written = pass.written;
        total.heap = pass.heap;
        total.ok = total.ok && pass.ok;
    }
    return total;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Negative where a figure does not apply.
struct Metric {
    const char* title;
    double (*of)(const Sample&, double length);
};

const Metric metrics[] = {
    {"parse MB/s", [](const Sample& s, double length) { return length / s.parse / 1e6; }},
    {"free ms", [](const Sample& s, double) { return s.release * 1e3; }},
    {"file MB/s", [](const Sample& s, double length) { return length / s.load / 1e6; }},
    {"write MB/s",
     [](const Sample& s, double) { return s.written ? s.written / s.write / 1e6 : -1; }},
    {"heap B/B", [](const Sample& s, double length) { return s.heap / length; }},
};

// Three significant digits or so, never in exponent form.
std::string format(double value) {
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : value >= 1 ? 2 : 3;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool all_ok(const std::vector<Sample>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](const Sample& s) { return s.ok; });
}

double median_of(const std::vector<Sample>& samples, const Metric& metric, double length) {
    std::vector<double> values;
    for (const Sample& sample : samples) values.push_back(metric.of(sample, length));
    return median(values);
}

// One library's median, and beside it xmlslice's median divided by it.
std::string cell(const std::vector<Sample>& samples, const Metric& metric, double length,
                 double reference) {
    if (!all_ok(samples)) return "rejected";
    const double value = median_of(samples, metric, length);
    if (value < 0) return "n/a";
    if (reference < 0 || value == 0) return format(value);
    return format(value) + " (" + format(reference / value) + ")";
}

void print_document_table(const Document& document, const Peers& peers,
                          const std::vector<std::vector<Sample>>& samples) {
    const double length = static_cast<double>(document.text.size());
    std::printf("\n%s, %.1f MB\n%-10s", document.name.c_str(), length / 1e6, "library");
    for (const Metric& metric : metrics) std::printf("%18s", metric.title);
    std::printf("\n");
    for (std::size_t p = 0; p < peers.size(); ++p) {
        std::printf("%-10s", peers[p]->name());
        for (const Metric& metric : metrics) {
            const bool compare = p > 0 && all_ok(samples[0]);
            const double reference = compare ? median_of(samples[0], metric, length) : -1;
            std::printf("%18s", cell(samples[p], metric, length, reference).c_str());
        }
        std::printf("\n");
    }
}

std::vector<Document> load_corpus(const std::filesystem::path& directory) {
    std::vector<Document> corpus;
    for (int kind = 0; kind < bench::generated_count; ++kind) {
        const std::string name = bench::generated_name(kind);
        const std::string path = (directory / (name + ".xml")).string();
        const std::string& text = bench::generated_document(kind);
        std::ofstream(path, std::ios::binary).write(text.data(), text.size());
        corpus.push_back({"generated " + name, path, text});
    }
    for (const char* path : real_documents) {
        std::ifstream in(path, std::ios::binary);
        std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (text.empty())
            std::printf("skipped %s: not installed\n", path);
        else
            corpus.push_back({path, path, std::move(text)});
    }
    return corpus;
}

void run_corpus(const Peers& peers, int rounds, const std::filesystem::path& directory) {
    const std::vector<Document> corpus = load_corpus(directory);
    std::printf("\nCorpus: medians of %d interleaved rounds; (x) is xmlslice / that library.\n",
                rounds);
    for (const Document& document : corpus) {
        std::vector<char> copy(document.text.size() + 1);
        std::vector<std::vector<Sample>> samples(peers.size());
        for (int round = 0; round < rounds; ++round)
            for (std::size_t turn = 0; turn < peers.size(); ++turn) {
                const std::size_t p = (turn + round) % peers.size();
                samples[p].push_back(measure(*peers[p], document, copy));
            }
        print_document_table(document, peers, samples);
    }
}

// Parse milliseconds per MB of `text`, over enough passes to fill one sample.
double ms_per_mb(Peer& peer, const std::string& text, std::vector<char>& copy, bool& ok) {
    const std::size_t passes = passes_for(text.size());
    double seconds = 0;
    for (std::size_t i = 0; i < passes; ++i) {
        seconds += parse_copy(peer, text, copy, ok);
        peer.release();
        settle_heap();
    }
    return seconds * 1e3 / passes / (text.size() / 1e6);
}

void run_scaling(const Peers& peers, int rounds) {
    // Freed memory stays mapped in the process, so that every size parses into pages that
    // are already there and the ratio shows the parser's own work, not the kernel's.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    const std::size_t scales[] = {1, 4, 16};
    std::printf(
        "\nScaling: parse ms per MB, medians of %d interleaved rounds; target 16x/1x <= 1.3"
        "\n%-24s%-10s%10s%10s%10s%10s\n",
        rounds, "shape", "library", "1x", "4x", "16x", "16x/1x");
    for (const bench::Shape& shape : bench::adversarial_shapes) {
        std::vector<std::string> texts;
        for (std::size_t scale : scales) texts.push_back(shape.make(scale * shape_bytes));
        std::vector<char> copy(texts.back().size() + 1);
        // times[peer][scale][round]
        std::vector<std::vector<std::vector<double>>> times(
            peers.size(), std::vector<std::vector<double>>(texts.size()));
        std::vector<char> ok(peers.size(), true);
        for (int round = 0; round < rounds; ++round)
            for (std::size_t s = 0; s < texts.size(); ++s)
                for (std::size_t turn = 0; turn < peers.size(); ++turn) {
                    const std::size_t p = (turn + round) % peers.size();
                    bool parsed = true;
                    if (peers[p]->survives_deep_nesting())
                        times[p][s].push_back(ms_per_mb(*peers[p], texts[s], copy, parsed));
                    ok[p] = ok[p] && parsed;
                }
        for (std::size_t p = 0; p < peers.size(); ++p) {
            if (times[p][0].empty()) continue;
            std::printf("%-24s%-10s", p == 0 ? shape.name : "", peers[p]->name());
            if (!ok[p]) {
                std::printf("%10s\n", "rejected");
                continue;
            }
            for (const auto& values : times[p]) std::printf("%10.2f", median(values));
            std::printf("%10.2f\n", median(times[p].back()) / median(times[p].front()));
        }
    }
}

void print_machine() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model = "unknown CPU";
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    std::printf("machine: %s, %ld cores online\n", model.c_str(), sysconf(_SC_NPROCESSORS_ONLN));
}

}  // namespace

// Usage: xmlslice_compare [rounds] [corpus|scaling]
int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::string only = argc > 2 ? argv[2] : "";
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    print_machine();
    const Peers peers = bench::available_peers();
    if (only != "scaling") {
        std::string pattern = std::filesystem::temp_directory_path() / "xmlslice-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        const std::filesystem::path directory = pattern;
        run_corpus(peers, rounds, directory);
        std::filesystem::remove_all(directory);
    }
    if (only != "corpus") run_scaling(peers, rounds);
    return 0;
}
