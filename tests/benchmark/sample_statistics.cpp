#include "sample_statistics.h"

#include <algorithm>
#include <cmath>
#include <numeric>

double meanOf(const std::vector<double>& values)
{
    if (values.empty())
        return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double percentileOf(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p / 100.0 * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

double shareWithin(const std::vector<double>& values, double bound)
{
    if (values.empty())
        return 0;
    const auto inside = std::count_if(values.begin(), values.end(), [bound](double v) { return std::fabs(v) <= bound; });
    return static_cast<double>(inside) / static_cast<double>(values.size());
}

QString medianAndP99(const std::vector<double>& values, double scale, int decimals, const QString& unit)
{
    return QStringLiteral("median %1 %3, p99 %2 %3 (n=%4)")
        .arg(QString::number(medianOf(values) * scale, 'f', decimals),
             QString::number(percentileOf(values, 99) * scale, 'f', decimals), unit)
        .arg(values.size());
}
