// The comment-heavy scaling shape parsed inside a host built with
// AddressSanitizer, the library itself plain: the sanitizer's interceptors
// replace libc's string searches for the whole process, so a parser that
// searched the rest of the text with strstr turned quadratic here (a
// document of 13,000 comments took half a minute). Prints parse ms per MB at
// three sizes, medians of interleaved rounds; the last column should stay
// near 1.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "corpus.hpp"
#include "stats.hpp"
#include "xmlslice.hpp"

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    // Fewer sizes on request, for a library that does not scale.
    const std::size_t sizes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 3;
    const bench::Shape& shape = bench::adversarial_shapes[6];
    const int scales[] = {1, 4, 16};
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < sizes && k < 3; ++k)
        texts.push_back(shape.make(scales[k] * (std::size_t(3) << 19)));
    std::vector<std::vector<double>> figures(3);
    for (int round = 0; round < rounds; ++round)
        for (std::size_t k = 0; k < texts.size(); ++k) {
            std::string copy = texts[k];
            auto start = std::chrono::steady_clock::now();
            xmlslice::XmlElement* root = xmlslice::document_parse_buffer(copy.data(), copy.size());
            auto stop = std::chrono::steady_clock::now();
            if (*xmlslice::document_error_text(root))
                return std::puts(xmlslice::document_error_text(root)), 1;
            xmlslice::element_free(root);
            figures[k].push_back(std::chrono::duration<double, std::milli>(stop - start).count() /
                                 (copy.size() / 1e6));
        }
    std::printf(
        "%s in an ASan-built host: parse ms per MB at 1.5, 6 and 24 MiB, medians of %d rounds\n",
        shape.name, rounds);
    std::printf("%10s%10s%10s%10s\n", "1x", "4x", "16x", "16x/1x");
    for (std::size_t k = 0; k < 3; ++k)
        std::printf("%10s",
                    k < texts.size() ? bench::format(bench::median(figures[k])).c_str() : "-");
    double first = bench::median(figures[0]), last = bench::median(figures[texts.size() - 1]);
    std::printf("%10s\n", texts.size() == 3 ? bench::format(last / first).c_str() : "-");
    return 0;
}
