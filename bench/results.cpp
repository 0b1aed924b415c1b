#include "results.hpp"

#include <cmath>

#include "stats.hpp"

namespace bench {

const MetricInfo metric_info[metric_count] = {
    {"warm MB/s", "warm parse", "warm"},  {"cold MB/s", "cold parse", "cold"},
    {"write MB/s", "serialise", "write"}, {"heap B/B", "heap", "cold"},
    {"file MB/s", "file load", "file"},   {"free ms", "free", "warm"}};

const char* const child_kinds[4] = {"warm", "cold", "write", "file"};

CorpusResults::CorpusResults(std::vector<Document> documents, std::vector<std::string> libraries)
    : documents_(std::move(documents)),
      libraries_(std::move(libraries)),
      series_(documents_.size() * libraries_.size() * metric_count) {
    for (std::size_t library = 0; library < libraries_.size(); ++library)
        if (libraries_[library] == "pugixml") reference_ = static_cast<int>(library);
}

CorpusResults::Series& CorpusResults::series(std::size_t document, std::size_t library,
                                             Metric metric) {
    return series_[(document * libraries_.size() + library) * metric_count + metric];
}

const CorpusResults::Series& CorpusResults::series(std::size_t document, std::size_t library,
                                                   Metric metric) const {
    return series_[(document * libraries_.size() + library) * metric_count + metric];
}

void CorpusResults::record(std::size_t document, std::size_t library, Metric metric, bool ok,
                           double value) {
    Series& target = series(document, library, metric);
    target.rejected = target.rejected || !ok;
    // A heap the allocator hides from mallinfo2 shows as nothing at all.
    if (ok && value > 0) target.values.push_back(value);
}

// A child's two figures, turned into the metrics its kind yields.
void CorpusResults::add(std::size_t document, std::size_t library, const std::string& kind,
                        const ChildReport& report) {
    const double length = documents_[document].length;
    const bool ok = report.ok;
    if (kind == "warm") {
        record(document, library, warm, ok, length / 1e6 / report.first);
        record(document, library, release, ok, report.second * 1e3);
    } else if (kind == "cold") {
        record(document, library, cold, ok, length / 1e6 / report.first);
        record(document, library, heap, ok, report.second / length);
    } else if (kind == "write") {
        record(document, library, write, ok, report.second / 1e6 / report.first);
    } else {
        record(document, library, file, ok, length / 1e6 / report.first);
    }
}

bool CorpusResults::rejected(std::size_t document, std::size_t library, Metric metric) const {
    return series(document, library, metric).rejected;
}

double CorpusResults::median(std::size_t document, std::size_t library, Metric metric) const {
    const Series& figures = series(document, library, metric);
    return figures.rejected ? NAN : bench::median(figures.values);
}

double CorpusResults::spread(std::size_t document, std::size_t library, Metric metric) const {
    const Series& figures = series(document, library, metric);
    return figures.rejected ? NAN : relative_spread(figures.values);
}

double CorpusResults::ratio(std::size_t document, std::size_t library, Metric metric) const {
    if (reference_ < 0) return NAN;
    return median(document, library, metric) /
           median(document, static_cast<std::size_t>(reference_), metric);
}

double CorpusResults::geomean_ratio(std::size_t library, Metric metric, SizeClass size) const {
    std::vector<double> ratios;
    for (std::size_t document = 0; document < documents_.size(); ++document)
        if (in_class(documents_[document], size))
            ratios.push_back(ratio(document, library, metric));
    return geomean(ratios);
}

int CorpusResults::worst_document(std::size_t library, Metric metric, SizeClass size) const {
    int worst = -1;
    for (std::size_t document = 0; document < documents_.size(); ++document) {
        if (!in_class(documents_[document], size)) continue;
        const double value = ratio(document, library, metric);
        if (std::isfinite(value) && (worst < 0 || value < ratio(worst, library, metric)))
            worst = static_cast<int>(document);
    }
    return worst;
}

}  // namespace bench
