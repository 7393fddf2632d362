#pragma once
// The live chart's lines in the widget's pixels, for the stretch of time [from, to]
// drawn across a plot area: the analogue inputs on a 0 to 5 V scale, and each channel as
// a digital trace in its lane, low at 0.15 of the lane's height and high at 0.85, as the
// plot of a recording draws them. Samples that fall in one pixel column make at most
// four points (the first, the lowest, the highest and the last), so a window of an hour
// costs no more to draw than its width. Points outside [from, to] are left for the
// painter's clip to cut.

#include "live_trace.h"

#include <QList>
#include <QPolygonF>
#include <QRectF>

struct TimeSpan {
    double from = 0;  // seconds since the Unix epoch, at the area's left edge
    double to = 0;    // at its right edge
};

// Analogue input 1 or 2, as one polyline for each stretch without an outage.
QList<QPolygonF> voltsLines(const std::deque<LiveTrace::Volts>& samples, int input, TimeSpan span, const QRectF& area);

// Channel `channel` (0..7) of `samples` as steps, in `lane`.
QPolygonF statesLine(const std::deque<LiveTrace::States>& samples, int channel, TimeSpan span, const QRectF& lane);
