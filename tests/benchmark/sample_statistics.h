#pragma once
// Summaries of a set of measured values.

#include <vector>

double meanOf(const std::vector<double>& values);
// Nearest-rank percentile, p in 0..100; 0 for an empty set.
double percentileOf(std::vector<double> values, double p);
inline double medianOf(const std::vector<double>& values) { return percentileOf(values, 50); }
// Share of the values whose magnitude is at most `bound`.
double shareWithin(const std::vector<double>& values, double bound);
