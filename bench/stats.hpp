// Small statistics over the rounds of a measurement.
#ifndef XMLSLICE_BENCH_STATS_HPP
#define XMLSLICE_BENCH_STATS_HPP

#include <string>
#include <vector>

namespace bench {

// NaN for an empty list.
double median(std::vector<double> values);
// Interquartile range over the median: how far the middle half of the rounds spread.
double relative_spread(std::vector<double> values);
// Over the finite positive values only; NaN when there are none.
double geomean(const std::vector<double>& values);
// Three significant digits or so, never in exponent form; "-" for NaN.
std::string format(double value);

}  // namespace bench

#endif
