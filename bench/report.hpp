// Printing the corpus figures: tables, geomeans, the targets, Markdown and the chart's
// data.
#ifndef XMLSLICE_BENCH_REPORT_HPP
#define XMLSLICE_BENCH_REPORT_HPP

#include <string>

#include "results.hpp"

namespace bench {

// The figures of every library on one document, each with its ratio to pugixml's.
void print_document_table(const CorpusResults& results, std::size_t document);
// The summary tables are Markdown, ready to paste into bench/README.md.
void print_geomeans(const CorpusResults& results);
void print_xmlslice_ratios(const CorpusResults& results);
// One line per target, met or not, for xmlslice.
void print_targets(const CorpusResults& results);
void print_spread(const CorpusResults& results);
// Ratios to pugixml per metric (blocks), document (rows) and library (columns), for plot.gp.
bool write_ratio_table(const CorpusResults& results, const std::string& path);

}  // namespace bench

#endif
