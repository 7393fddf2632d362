#pragma once
// Draws a chart of the card with QPainter: the two analogue inputs on a 0 to 5 V scale
// above, the eight outputs and the eight inputs as stacked digital traces below (Out 1
// at the top), against one time axis. The live chart and the picture of a recording
// both draw with it. What does not move (title, axes, grid, labels, legend) is drawn
// apart from the traces, so a window can keep it in a picture and draw only the traces
// at each repaint.

#include "chart_traces.h"

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>

class ChartPainter {
public:
    // `title`, when not empty, heads the chart.
    ChartPainter(QSizeF size, const QFont& font, const QString& title = {});

    // The columns the traces are drawn across: a DecimatedTrace of this many buckets
    // keeps a sample or four for each.
    int columns() const { return static_cast<int>(analogue_.width()); }

    void paintBackground(QPainter& p, const ChartTime& time) const;
    void paintTraces(QPainter& p, const ChartTime& time, const ChartTraces& traces) const;

private:
    QRectF lane(int index) const;
    void paintVolts(QPainter& p) const;
    void paintLanes(QPainter& p) const;
    void paintTimeAxis(QPainter& p, const ChartTime& time) const;
    void paintLegend(QPainter& p) const;

    QSizeF size_;
    QFont font_;
    QString title_;
    double top_;
    QRectF analogue_;
    QRectF digital_;  // sixteen lanes of equal height
};
