#include "report.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "stats.hpp"

namespace bench {

namespace {

// The metrics that are compared as ratios; file load and free times are shown as figures only.
const Metric compared[] = {warm, cold, write, heap};

// A median and, beside it, its ratio to pugixml's.
std::string cell(const CorpusResults& results, std::size_t document, std::size_t library,
                 Metric metric) {
    if (results.rejected(document, library, metric)) return "rejected";
    const double value = results.median(document, library, metric);
    if (!std::isfinite(value)) return "n/a";
    const double ratio = results.ratio(document, library, metric);
    if (static_cast<int>(library) == results.reference() || !std::isfinite(ratio))
        return format(value);
    return format(value) + " (" + format(ratio) + ")";
}

struct Target {
    Metric metric;
    double geomean;        // the geomean's bound, over the whole corpus
    double worst;          // every document's bound, or NaN when there is none
    SizeClass worst_over;  // the documents that bound applies to
    bool at_most;          // the bound is an upper one
};

const Target targets[] = {{warm, 0.65, 0.50, large_only, false},
                          {cold, 0.80, NAN, every_size, false},
                          {write, 1.0, NAN, every_size, false},
                          {heap, 1.0, NAN, every_size, true}};

// Freeing a tree may take at most this share of the time its parse took.
constexpr double free_share = 0.25;

const char* const class_names[] = {"every document", "under 10 MB", "10 MB and more"};

const char* verdict(double value, const Target& target, double bound) {
    if (!std::isfinite(value)) return "n/a";
    return (target.at_most ? value <= bound : value >= bound) ? "met" : "NOT MET";
}

}  // namespace

void print_document_table(const CorpusResults& results, std::size_t document) {
    const Document& doc = results.documents()[document];
    std::printf("\n%s (%s), %.1f MB\n%-11s", doc.label.c_str(), doc.path.c_str(), doc.length / 1e6,
                "library");
    for (const MetricInfo& info : metric_info) std::printf("%17s", info.title);
    std::printf("\n");
    for (std::size_t library = 0; library < results.libraries().size(); ++library) {
        std::printf("%-11s", results.libraries()[library].c_str());
        for (int metric = 0; metric < metric_count; ++metric)
            std::printf("%17s",
                        cell(results, document, library, static_cast<Metric>(metric)).c_str());
        std::printf("\n");
    }
}

// The head of a Markdown table whose columns after the first are the compared metrics.
void print_markdown_head(const char* first_column) {
    std::printf("\n| %s |", first_column);
    for (Metric metric : compared) std::printf(" %s |", metric_info[metric].ratio_title);
    std::printf("\n|---|---|---|---|---|\n");
}

void print_geomeans(const CorpusResults& results) {
    for (SizeClass size : {every_size, small_only, large_only}) {
        std::printf(
            "\nGeomean over %s of the ratio to pugixml `load_buffer_inplace`"
            " (heap: below 1 is smaller)\n",
            class_names[size]);
        print_markdown_head("library");
        for (std::size_t library = 0; library < results.libraries().size(); ++library) {
            std::printf("| %s |", results.libraries()[library].c_str());
            for (Metric metric : compared)
                std::printf(" %s |", format(results.geomean_ratio(library, metric, size)).c_str());
            std::printf("\n");
        }
    }
}

void print_targets(const CorpusResults& results) {
    std::printf("\nTargets for xmlslice, ratio to pugixml:\n");
    for (const Target& target : targets) {
        const char* title = metric_info[target.metric].ratio_title;
        const char* relation = target.at_most ? "<=" : ">=";
        const double value = results.geomean_ratio(0, target.metric);
        std::printf("  %-11s geomean %s %.2f: %s, %s\n", title, relation, target.geomean,
                    format(value).c_str(), verdict(value, target, target.geomean));
        if (std::isnan(target.worst)) continue;
        const int worst = results.worst_document(0, target.metric, target.worst_over);
        const double lowest = worst < 0 ? NAN : results.ratio(worst, 0, target.metric);
        std::printf("  %-11s no document of %s below %.2f: lowest %s (%s), %s\n", title,
                    class_names[target.worst_over], target.worst, format(lowest).c_str(),
                    worst < 0 ? "-" : results.documents()[worst].label.c_str(),
                    verdict(lowest, target, target.worst));
    }
    // Free against the same document's warm parse, both xmlslice's own.
    double largest = NAN;
    int at = -1;
    for (std::size_t document = 0; document < results.documents().size(); ++document) {
        const double parse_ms =
            results.documents()[document].length / 1e3 / results.median(document, 0, warm);
        const double share = results.median(document, 0, release) / parse_ms;
        if (std::isfinite(share) && !(share <= largest)) largest = share, at = int(document);
    }
    const Target free_target{release, free_share, free_share, every_size, true};
    std::printf("  %-11s at most %.2f of the parse on every document: largest %s (%s), %s\n",
                "free", free_share, format(largest).c_str(),
                at < 0 ? "-" : results.documents()[at].label.c_str(),
                verdict(largest, free_target, free_share));
}

void print_spread(const CorpusResults& results) {
    std::printf(
        "\nSpread between rounds (interquartile range / median) over every library and"
        " document:\n");
    for (int metric = 0; metric < metric_count; ++metric) {
        std::vector<double> spreads;
        for (std::size_t document = 0; document < results.documents().size(); ++document)
            for (std::size_t library = 0; library < results.libraries().size(); ++library) {
                const double spread = results.spread(document, library, Metric(metric));
                if (std::isfinite(spread)) spreads.push_back(spread);
            }
        if (spreads.empty()) continue;
        std::printf("  %-11s median %5.1f%%, largest %5.1f%%\n", metric_info[metric].title,
                    100 * median(spreads), 100 * *std::max_element(spreads.begin(), spreads.end()));
    }
}

void print_xmlslice_ratios(const CorpusResults& results) {
    std::printf(
        "\nxmlslice per document, ratio to pugixml (warm parse MB/s in brackets); free: xmlslice's"
        " free over its own warm parse\n");
    std::printf("\n| document | MB |");
    for (Metric metric : compared) std::printf(" %s |", metric_info[metric].ratio_title);
    std::printf(" free / parse |\n|---|---|---|---|---|---|---|\n");
    for (std::size_t document = 0; document < results.documents().size(); ++document) {
        const Document& doc = results.documents()[document];
        std::printf("| %s | %.1f |", doc.label.c_str(), doc.length / 1e6);
        for (Metric metric : compared) {
            std::printf(" %s", format(results.ratio(document, 0, metric)).c_str());
            if (metric == warm)
                std::printf(" (%s)", format(results.median(document, 0, metric)).c_str());
            std::printf(" |");
        }
        const double parse_ms = doc.length / 1e3 / results.median(document, 0, warm);
        std::printf(" %s |\n", format(results.median(document, 0, release) / parse_ms).c_str());
    }
}

bool write_ratio_table(const CorpusResults& results, const std::string& path) {
    std::ofstream out(path);
    for (Metric metric : compared) {
        out << "# " << metric_info[metric].ratio_title << "\ndocument";
        for (std::size_t library = 0; library < results.libraries().size(); ++library)
            if (static_cast<int>(library) != results.reference())
                out << '\t' << results.libraries()[library];
        out << '\n';
        for (std::size_t row = 0; row <= results.documents().size(); ++row) {
            const bool total = row == results.documents().size();
            out << '"' << (total ? "geomean" : results.documents()[row].label) << '"';
            for (std::size_t library = 0; library < results.libraries().size(); ++library) {
                if (static_cast<int>(library) == results.reference()) continue;
                const double ratio = total ? results.geomean_ratio(library, metric)
                                           : results.ratio(row, library, metric);
                out << '\t' << (std::isfinite(ratio) ? std::to_string(ratio) : "NaN");
            }
            out << '\n';
        }
        out << "\n\n";
    }
    return static_cast<bool>(out);
}

}  // namespace bench
