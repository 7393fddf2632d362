#include "recording_plot.h"

#include "axis_ticks.h"

#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

// Where each digital trace sits: lane 0 at the bottom, a trace fills 0.7 of its lane.
constexpr double kTraceBase = 0.15;
constexpr double kTraceHeight = 0.7;

QLineSeries* addLine(QChart* chart, const QList<QPointF>& points, const QString& name, const QColor& colour)
{
    auto* series = new QLineSeries;
    series->setName(name);
    series->replace(points);
    QPen pen(colour);
    pen.setWidthF(2.0);
    series->setPen(pen);
    chart->addSeries(series);
    return series;
}

// Ends where the data ends, with ticks at round seconds from the start.
QValueAxis* timeAxis(const RecordingSeries& series)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(QStringLiteral("Time since start (s)"));
    const double length = series.lengthSeconds > 0 ? series.lengthSeconds : 1.0;
    axis->setRange(0, length);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(tickStep(length));
    axis->setLabelFormat(QStringLiteral("%g"));
    return axis;
}

QChart* analogueChart(const RecordingSeries& series)
{
    auto* chart = new QChart;
    chart->setTitle(QStringLiteral("Card recording started %1").arg(QString(series.startText).replace('T', ' ')));
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    QValueAxis* time = timeAxis(series);
    auto* volts = new QValueAxis;
    volts->setTitleText(QStringLiteral("Volts"));
    volts->setRange(0, 5);
    volts->setTickCount(6);
    volts->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(volts, Qt::AlignLeft);
    for (QLineSeries* line : {addLine(chart, series.volts1, QStringLiteral("Analogue 1"), plot_colours::kAnalogue1),
                              addLine(chart, series.volts2, QStringLiteral("Analogue 2"), plot_colours::kAnalogue2)}) {
        line->attachAxis(time);
        line->attachAxis(volts);
    }
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

QChart* digitalChart(const RecordingSeries& series)
{
    auto* chart = new QChart;
    QValueAxis* time = timeAxis(series);
    auto* lanes = new QCategoryAxis;
    lanes->setTitleText(QStringLiteral("Channel (low / high)"));
    // Lanes are lower than a label's box is wide; the labels fit beside them all the same.
    lanes->setTruncateLabels(false);
    lanes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
    lanes->setRange(0, 16);
    lanes->setStartValue(0);
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(lanes, Qt::AlignLeft);
    // Inputs 8..1 from the bottom, then outputs 8..1, so Out 1 heads the stack.
    const auto addTraces = [&](const std::array<QList<QPointF>, 8>& traces, int firstLane, const QString& label,
                               const QColor& colour) {
        for (int n = 7; n >= 0; --n) {
            const int lane = firstLane + 7 - n;
            lanes->append(QStringLiteral("%1 %2").arg(label).arg(n + 1), lane + 1);
            QList<QPointF> points;
            for (const QPointF& p : traces[static_cast<std::size_t>(n)])
                points.append(QPointF(p.x(), lane + kTraceBase + kTraceHeight * p.y()));
            QLineSeries* line = addLine(chart, points, label == QLatin1String("Out") ? QStringLiteral("Outputs")
                                                                                     : QStringLiteral("Inputs"), colour);
            line->attachAxis(time);
            line->attachAxis(lanes);
            // One legend entry for each group is enough.
            if (n != 0)
                chart->legend()->markers(line).value(0)->setVisible(false);
        }
    };
    addTraces(series.inputs, 0, QStringLiteral("In"), plot_colours::kInputs);
    addTraces(series.outputs, 8, QStringLiteral("Out"), plot_colours::kOutputs);
    chart->legend()->setAlignment(Qt::AlignTop);
    return chart;
}

} // namespace

QImage plotRecording(const RecordingSeries& series, QSize size)
{
    QGraphicsScene scene;
    const int analogueHeight = size.height() * 2 / 5;
    QChart* analogue = analogueChart(series);
    QChart* digital = digitalChart(series);
    scene.addItem(analogue);
    scene.addItem(digital);
    analogue->setGeometry(0, 0, size.width(), analogueHeight);
    digital->setGeometry(0, analogueHeight, size.width(), size.height() - analogueHeight);
    scene.setSceneRect(0, 0, size.width(), size.height());
    // Lets the charts lay out their axes and legends, then lines both plot areas up so
    // one moment is at the same place in both.
    QCoreApplication::processEvents();
    const QRectF top = analogue->plotArea();
    const QRectF bottom = digital->plotArea();
    const double left = std::max(top.left(), bottom.left());
    const double right = std::min(top.right(), bottom.right());
    analogue->setPlotArea(QRectF(left, top.top(), right - left, top.height()));
    digital->setPlotArea(QRectF(left, bottom.top(), right - left, bottom.height()));
    QCoreApplication::processEvents();

    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), size), scene.sceneRect());
    return image;
}
