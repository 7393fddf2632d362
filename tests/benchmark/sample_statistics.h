#pragma once
// Summaries of a set of measured values.

#include <QString>

#include <vector>

double meanOf(const std::vector<double>& values);
// Nearest-rank percentile, p in 0..100; 0 for an empty set.
double percentileOf(std::vector<double> values, double p);
inline double medianOf(const std::vector<double>& values) { return percentileOf(values, 50); }
// Share of the values whose magnitude is at most `bound`.
double shareWithin(const std::vector<double>& values, double bound);

// "median 1.2 ms, p99 3.4 ms (n=50)": the values times `scale`, with `decimals`.
QString medianAndP99(const std::vector<double>& values, double scale, int decimals, const QString& unit);
