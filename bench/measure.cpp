// The measuring child. The comparison starts a new process for every figure, so that a cold
// parse is the first parse of a fresh process and a warm one follows exactly one freed tree.
#include "measure.hpp"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

#include "corpus.hpp"
#include "peer.hpp"
#include "stats.hpp"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// Small documents are parsed repeatedly until the passes cover at least this much text; the
// child reports the median pass, which a neighbour's compile job rarely reaches.
constexpr std::size_t sample_bytes = 8u << 20;
// Size of the adversarial shapes at scale 1.
constexpr std::size_t shape_bytes = 3u << 19;

struct Figures {
    bool ok = true;
    double first = 0, second = 0;
};

template <class Step>
double timed(Step step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Timed, and the only steps callgrind.sh counts (it starts with collection off).
template <class Step>
double measured(Step step) {
    CALLGRIND_TOGGLE_COLLECT;
    const double seconds = timed(step);
    CALLGRIND_TOGGLE_COLLECT;
    return seconds;
}

long heap_in_use() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// The document as read, and the buffer each parse gets a fresh copy of, both allocated before
// anything is parsed.
struct Input {
    char* text = nullptr;
    char* copy = nullptr;
    std::size_t length = 0;

    void refresh() const { std::memcpy(copy, text, length + 1); }
};

std::size_t file_length(const char* path) {
    struct stat status;
    return stat(path, &status) == 0 ? static_cast<std::size_t>(status.st_size) : 0;
}

bool read_input(const char* path, Input& input) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) return false;
    input.length = file_length(path);
    input.text = static_cast<char*>(std::malloc(input.length + 1));
    input.copy = static_cast<char*>(std::malloc(input.length + 1));
    std::size_t done = 0;
    while (done < input.length) {
        const ssize_t got = read(fd, input.text + done, input.length - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    close(fd);
    input.text[done] = '\0';
    return done == input.length;
}

std::size_t passes_for(std::size_t length) {
    return length >= sample_bytes ? 1 : sample_bytes / std::max<std::size_t>(length, 1);
}

// The first tree is parsed untimed; every timed parse then follows the free of the tree before
// it, with the heap left as that free left it, and there are at least steady_rounds of them, so
// that the figure is the steady state of parse after parse and not the second parse alone. The
// frees are timed as well; both figures are medians.
constexpr std::size_t steady_rounds = 5;

Figures warm(Peer& peer, const Input& input, std::size_t passes) {
    Figures figures;
    input.refresh();
    figures.ok = peer.parse(input.copy, input.length);
    std::vector<double> times, frees;
    for (std::size_t pass = 0; pass < passes; ++pass) {
        frees.push_back(timed([&] { peer.release(); }));
        input.refresh();
        times.push_back(
            measured([&] { figures.ok = peer.parse(input.copy, input.length) && figures.ok; }));
    }
    figures.first = median(times);
    figures.second = median(frees);
    return figures;
}

Figures cold(Peer& peer, const Input& input) {
    Figures figures;
    input.refresh();
    const long before = heap_in_use();
    figures.first = measured([&] { figures.ok = peer.parse(input.copy, input.length); });
    const std::size_t private_copy = peer.input_copy_bytes(input.length);
    figures.second = static_cast<double>(heap_in_use() - before - static_cast<long>(private_copy));
    return figures;
}

Figures write(Peer& peer, const Input& input, std::size_t passes) {
    Figures figures;
    input.refresh();
    figures.ok = peer.parse(input.copy, input.length);
    std::vector<double> times;
    for (std::size_t pass = 0; pass < passes && figures.ok; ++pass) {
        peer.reserve_output(input.length + input.length / 4);
        times.push_back(measured([&] { peer.write(); }));
        figures.second = static_cast<double>(peer.output_size());
        peer.discard_output();
    }
    figures.first = median(times);
    return figures;
}

Figures file(Peer& peer, const char* path, std::size_t passes) {
    Figures figures;
    figures.ok = peer.load(path);
    std::vector<double> times;
    for (std::size_t pass = 0; pass < passes; ++pass) {
        peer.release();
        times.push_back(measured([&] { figures.ok = peer.load(path) && figures.ok; }));
    }
    figures.first = median(times);
    return figures;
}

// SHAPE:SCALE. Freed memory stays mapped in the process and an untimed first pass maps it, so
// that every size parses into pages that are already there and the figure shows the parser's
// own work, not the kernel's.
Figures scaling(Peer& peer, const std::string& source) {
    const std::size_t colon = source.find(':');
    const bench::Shape& shape = bench::adversarial_shapes[std::stoul(source.substr(0, colon))];
    const std::string text = shape.make(std::stoul(source.substr(colon + 1)) * shape_bytes);
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    std::string copy = text;
    std::vector<double> times;
    Figures figures;
    if (shape.written) {
        figures.ok = peer.parse(copy.data(), text.size());
        for (std::size_t pass = 0; pass <= passes_for(text.size()) && figures.ok; ++pass) {
            const double seconds = timed([&] { peer.write(); });
            if (pass > 0) times.push_back(seconds);
            peer.discard_output();
        }
        peer.release();
        figures.first = median(times) * 1e3 / (text.size() / 1e6);
        return figures;
    }
    for (std::size_t pass = 0; pass <= passes_for(text.size()); ++pass) {
        std::memcpy(copy.data(), text.c_str(), text.size() + 1);
        const double seconds =
            timed([&] { figures.ok = peer.parse(copy.data(), text.size()) && figures.ok; });
        if (pass > 0) times.push_back(seconds);
        peer.release();
        settle_heap();
    }
    figures.first = median(times) * 1e3 / (text.size() / 1e6);
    return figures;
}

// COUNT children appended to one element, then detached from the last: seconds for each.
Figures build(Peer& peer, const char* source) {
    const std::size_t count = std::strtoul(source, nullptr, 10);
    Figures figures;
    figures.first = timed([&] { figures.ok = peer.append_children(count); });
    if (figures.ok) figures.second = timed([&] { peer.detach_children_last_first(); });
    return figures;
}

Figures run(Peer& peer, const std::string& kind, const char* source, std::size_t passes) {
    if (kind == "scaling") return scaling(peer, source);
    if (kind == "build") return build(peer, source);
    // PASSES on the command line (callgrind.sh counts one parse) is taken as it is.
    const bool chosen = passes != 0;
    if (!chosen) passes = passes_for(file_length(source));
    if (kind == "file") return file(peer, source, passes);
    Input input;
    Figures unreadable;
    unreadable.ok = false;
    if (!read_input(source, input)) return unreadable;
    if (kind == "warm") return warm(peer, input, chosen ? passes : std::max(passes, steady_rounds));
    if (kind == "cold") return cold(peer, input);
    if (kind == "write") return write(peer, input, passes);
    return unreadable;
}

}  // namespace

int measure_in_this_process(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s KIND LIBRARY SOURCE [PASSES]\n", measure_option);
        return 2;
    }
    std::unique_ptr<Peer> peer = make_peer(argv[1]);
    if (!peer) {
        std::fprintf(stderr, "unknown library %s\n", argv[1]);
        return 2;
    }
    const std::size_t passes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 0;
    const Figures figures = run(*peer, argv[0], argv[2], passes);
    if (figures.ok)
        std::printf("1 %.9g %.9g\n", figures.first, figures.second);
    else
        std::printf("0\n");
    std::fflush(stdout);
    // The tree dies with the process: freeing it would only cost time.
    _exit(0);
}

}  // namespace bench
