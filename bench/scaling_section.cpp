// Parse cost per MB on adversarial shapes at three sizes: a step whose cost grows with what
// came before it shows as a rising figure.
#include <array>
#include <cstdio>
#include <string>

#include "corpus.hpp"
#include "sections.hpp"
#include "stats.hpp"

namespace bench {

namespace {

const int scales[] = {1, 4, 16};
constexpr std::size_t scale_count = sizeof scales / sizeof *scales;

// times[library][scale] holds one figure per round; empty when the library rejected a size.
using Times = std::vector<std::vector<std::vector<double>>>;

void print_shape(const char* shape, const std::vector<std::string>& libraries, const Times& times) {
    for (std::size_t library = 0; library < libraries.size(); ++library) {
        std::printf("%-24s%-11s", library == 0 ? shape : "", libraries[library].c_str());
        double first = 0, last = 0;
        for (std::size_t scale = 0; scale < scale_count; ++scale) {
            last = median(times[library][scale]);
            if (scale == 0) first = last;
            std::printf("%10s", format(last).c_str());
        }
        std::printf("%10s\n", format(last / first).c_str());
    }
}

// Trees a host builds: n children appended to one element, then detached last first.
void run_building(const std::vector<std::string>& libraries, const Options& options) {
    const std::size_t counts[] = {10000, 40000, 100000};
    std::printf(
        "\nHost-built trees: ms to append n children to one element, then to detach them last"
        " first;\nmedians of %d interleaved rounds; target: 100,000 appended within 10x pugixml\n"
        "%-11s%-8s%12s%12s%12s%12s\n",
        options.rounds, "library", "step", "10,000", "40,000", "100,000", "100k/10k");
    // figures[library][count][0 append, 1 detach]
    std::vector<std::vector<std::array<std::vector<double>, 2>>> figures(
        libraries.size(), std::vector<std::array<std::vector<double>, 2>>(std::size(counts)));
    for (int round = 0; round < options.rounds; ++round)
        for (std::size_t c = 0; c < std::size(counts); ++c)
            in_turn(libraries.size(), round, [&](std::size_t library) {
                const ChildReport report = measure_in_child(
                    options.allocator, "build", libraries[library], std::to_string(counts[c]));
                if (!report.ok) return;
                figures[library][c][0].push_back(report.first * 1e3);
                figures[library][c][1].push_back(report.second * 1e3);
            });
    for (std::size_t library = 0; library < libraries.size(); ++library) {
        if (figures[library][0][0].empty()) continue;
        for (int step = 0; step < 2; ++step) {
            std::printf("%-11s%-8s", step ? "" : libraries[library].c_str(),
                        step ? "detach" : "append");
            for (std::size_t c = 0; c < std::size(counts); ++c)
                std::printf("%12s", format(median(figures[library][c][step])).c_str());
            std::printf("%12s\n", format(median(figures[library][2][step]) /
                                         median(figures[library][0][step]))
                                      .c_str());
        }
    }
}

}  // namespace

void run_scaling(const std::vector<std::string>& libraries, const Options& options) {
    std::printf(
        "\nScaling: parse (or, for a shape marked write, write) ms per MB at 1.5, 6 and 24 MiB,"
        " medians of %d interleaved rounds; target 16x/1x <= 1.3\n%-24s%-11s%10s%10s%10s%10s\n",
        options.rounds, "shape", "library", "1x", "4x", "16x", "16x/1x");
    for (std::size_t shape = 0; shape < std::size(adversarial_shapes); ++shape) {
        Times times(libraries.size(), std::vector<std::vector<double>>(scale_count));
        for (int round = 0; round < options.rounds; ++round)
            for (std::size_t scale = 0; scale < scale_count; ++scale)
                in_turn(libraries.size(), round, [&](std::size_t library) {
                    const std::string source =
                        std::to_string(shape) + ":" + std::to_string(scales[scale]);
                    const ChildReport report =
                        measure_in_child(options.allocator, "scaling", libraries[library], source);
                    if (report.ok) times[library][scale].push_back(report.first);
                });
        print_shape(adversarial_shapes[shape].name, libraries, times);
    }
    run_building(libraries, options);
}

}  // namespace bench
