// The corpus figures of every library, kept per round, and their ratios to pugixml.
#ifndef XMLSLICE_BENCH_RESULTS_HPP
#define XMLSLICE_BENCH_RESULTS_HPP

#include <string>
#include <vector>

#include "spawn.hpp"

namespace bench {

struct Document {
    std::string label;  // short, for tables and the chart
    std::string path;
    double length = 0;  // bytes
};

// Documents of this size and more count as large; geomeans are given for each class too.
constexpr double large_bytes = 10e6;
enum SizeClass { every_size, small_only, large_only };
inline bool in_class(const Document& document, SizeClass size) {
    return size == every_size || (document.length >= large_bytes) == (size == large_only);
}

enum Metric { warm, cold, write, heap, file, release, metric_count };

struct MetricInfo {
    const char* title;  // with its unit
    const char* ratio_title;
    const char* child_kind;  // the measuring child that yields it
};
extern const MetricInfo metric_info[metric_count];

// The measuring children the corpus section starts per library, document and round.
extern const char* const child_kinds[4];

class CorpusResults {
  public:
    CorpusResults(std::vector<Document> documents, std::vector<std::string> libraries);

    void add(std::size_t document, std::size_t library, const std::string& kind,
             const ChildReport& report);

    const std::vector<Document>& documents() const { return documents_; }
    const std::vector<std::string>& libraries() const { return libraries_; }
    // pugixml with its defaults, or -1 when it was not built.
    int reference() const { return reference_; }

    bool rejected(std::size_t document, std::size_t library, Metric metric) const;
    // Median over the rounds; NaN when rejected or not measured.
    double median(std::size_t document, std::size_t library, Metric metric) const;
    double spread(std::size_t document, std::size_t library, Metric metric) const;
    // This library's median over pugixml's (heap too: below 1 is smaller); NaN without both.
    double ratio(std::size_t document, std::size_t library, Metric metric) const;
    double geomean_ratio(std::size_t library, Metric metric, SizeClass size = every_size) const;
    // The document of that class with the lowest ratio; -1 when there is none.
    int worst_document(std::size_t library, Metric metric, SizeClass size = every_size) const;

  private:
    struct Series {
        std::vector<double> values;
        bool rejected = false;
    };
    Series& series(std::size_t document, std::size_t library, Metric metric);
    void record(std::size_t document, std::size_t library, Metric metric, bool ok, double value);
    const Series& series(std::size_t document, std::size_t library, Metric metric) const;

    std::vector<Document> documents_;
    std::vector<std::string> libraries_;
    int reference_ = -1;
    std::vector<Series> series_;  // [document][library][metric]
};

}  // namespace bench

#endif
