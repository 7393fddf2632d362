#include "live_lines.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLowestVolts = 0.0;
constexpr double kHighestVolts = 5.0;
constexpr double kTraceBase = 0.15;
constexpr double kTraceHeight = 0.7;

double xOf(double seconds, TimeSpan span, const QRectF& area)
{
    return area.left() + (seconds - span.from) / (span.to - span.from) * area.width();
}

// Gathers the points of one pixel column into its first, lowest, highest and last.
class ColumnPoints {
public:
    explicit ColumnPoints(QPolygonF& line) : line_(line) {}

    void add(QPointF point)
    {
        const double column = std::floor(point.x());
        if (line_.isEmpty() || column != column_) {
            column_ = column;
            first_ = line_.size();
            line_.append(point);
            return;
        }
        // first, low, high, last: the middle two sorted as they were met.
        const qsizetype inColumn = line_.size() - first_;
        if (inColumn < 4) {
            line_.append(point);
            return;
        }
        QPointF& low = line_[first_ + 1];
        QPointF& high = line_[first_ + 2];
        const bool lowFirst = low.y() >= high.y();  // screen y grows downwards
        QPointF& lower = lowFirst ? low : high;
        QPointF& higher = lowFirst ? high : low;
        if (line_[first_ + 3].y() > lower.y())
            lower = line_[first_ + 3];
        if (line_[first_ + 3].y() < higher.y())
            higher = line_[first_ + 3];
        line_[first_ + 3] = point;
    }

private:
    QPolygonF& line_;
    double column_ = 0;
    qsizetype first_ = 0;
};

} // namespace

QList<QPolygonF> voltsLines(const std::deque<LiveTrace::Volts>& samples, int input, TimeSpan span, const QRectF& area)
{
    QList<QPolygonF> lines;
    std::optional<ColumnPoints> points;
    for (const LiveTrace::Volts& sample : samples) {
        if (lines.isEmpty() || sample.afterGap) {
            lines.append(QPolygonF());
            points.emplace(lines.last());
        }
        const double volts = std::clamp(input == 1 ? sample.volts1 : sample.volts2, kLowestVolts, kHighestVolts);
        const double y = area.bottom() - (volts - kLowestVolts) / (kHighestVolts - kLowestVolts) * area.height();
        points->add(QPointF(xOf(sample.seconds, span, area), y));
    }
    return lines;
}

QPolygonF statesLine(const std::deque<LiveTrace::States>& samples, int channel, TimeSpan span, const QRectF& lane)
{
    const double low = lane.bottom() - kTraceBase * lane.height();
    const double high = low - kTraceHeight * lane.height();
    QPolygonF line;
    ColumnPoints points(line);
    std::optional<bool> was;
    for (const LiveTrace::States& sample : samples) {
        const bool on = ((sample.on >> channel) & 1) != 0;
        const double x = xOf(sample.seconds, span, lane);
        if (was && *was != on)
            points.add(QPointF(x, *was ? high : low));
        if (!was || *was != on)
            points.add(QPointF(x, on ? high : low));
        was = on;
    }
    // Carried on to the newest sample, which need not be a change.
    if (was && !samples.empty())
        points.add(QPointF(xOf(samples.back().seconds, span, lane), *was ? high : low));
    return line;
}
