#pragma once
// Summaries of a set of measured values.

#include <vector>

double mean_of(const std::vector<double>& values);
// Nearest-rank percentile, p in 0..100; 0 for an empty set.
double percentile_of(std::vector<double> values, double p);
inline double median_of(const std::vector<double>& values) { return percentile_of(values, 50); }
// Share of the values whose magnitude is at most `bound`.
double share_within(const std::vector<double>& values, double bound);
