#include "stats.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace bench {

namespace {

// Linear interpolation between the closest ranks of sorted `values`.
double quantile(const std::vector<double>& sorted, double fraction) {
    const double position = fraction * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    const std::size_t above = std::min(below + 1, sorted.size() - 1);
    return sorted[below] + (sorted[above] - sorted[below]) * (position - below);
}

}  // namespace

double median(std::vector<double> values) {
    if (values.empty()) return NAN;
    std::sort(values.begin(), values.end());
    return quantile(values, 0.5);
}

double relative_spread(std::vector<double> values) {
    if (values.size() < 2) return NAN;
    std::sort(values.begin(), values.end());
    return (quantile(values, 0.75) - quantile(values, 0.25)) / quantile(values, 0.5);
}

double geomean(const std::vector<double>& values) {
    double logs = 0;
    int count = 0;
    for (double value : values)
        if (std::isfinite(value) && value > 0) {
            logs += std::log(value);
            ++count;
        }
    return count ? std::exp(logs / count) : NAN;
}

std::string format(double value) {
    if (!std::isfinite(value)) return "-";
    const double size = std::fabs(value);
    const int decimals = size >= 100 ? 0 : size >= 10 ? 1 : size >= 1 ? 2 : 3;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace bench
