#include "chart_painter.h"

#include "axis_ticks.h"
#include "chart_colours.h"

#include <QFontMetricsF>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

constexpr int kLanes = 16;
constexpr double kLeft = 70;
constexpr double kRight = 18;
constexpr double kLegend = 30;
constexpr double kGap = 34;
constexpr double kBottom = 44;
constexpr double kAnalogueShare = 0.42;
constexpr double kHighestVolts = 5.0;
// A digital trace is low at 0.15 of its lane's height and high at 0.85.
constexpr double kTraceBase = 0.15;
constexpr double kTraceHeight = 0.7;

const QColor kGrid(0xDD, 0xDD, 0xDD);
const QColor kAxis(0x55, 0x55, 0x55);

double xOf(double seconds, const ChartTime& time, const QRectF& area)
{
    return area.left() + (seconds - time.from) / (time.to - time.from) * area.width();
}

// A series as lines in `area`, broken where the series was; `y` maps a value.
template <typename MapY>
QList<QPolygonF> lines(const ChartTraces::Samples& samples, const ChartTime& time, const QRectF& area, MapY y)
{
    QList<QPolygonF> out;
    for (const DecimatedTrace::Sample& s : samples) {
        if (out.isEmpty() || s.afterGap)
            out.append(QPolygonF());
        // On pixel centres: a flat stretch comes out sharp, not smeared over two rows.
        out.last().append(QPointF(std::floor(xOf(s.seconds, time, area)) + 0.5, std::floor(y(s.value)) + 0.5));
    }
    return out;
}

// A channel as steps in its lane, carried on to its newest sample: a change is upright.
QPolygonF steps(const ChartTraces::Samples& samples, const ChartTime& time, const QRectF& lane)
{
    const double low = lane.bottom() - kTraceBase * lane.height();
    const double high = low - kTraceHeight * lane.height();
    QPolygonF line;
    for (const DecimatedTrace::Sample& s : samples) {
        const double x = xOf(s.seconds, time, lane);
        const double y = s.value > 0.5 ? high : low;
        if (!line.isEmpty() && line.last().y() == y)
            continue;
        if (!line.isEmpty())
            line.append(QPointF(x, line.last().y()));
        line.append(QPointF(x, y));
    }
    if (!samples.empty() && !line.isEmpty())
        line.append(QPointF(xOf(samples.back().seconds, time, lane), line.last().y()));
    return line;
}

} // namespace

ChartPainter::ChartPainter(QSizeF size, const QFont& font, const QString& title)
    : size_(size), font_(font), title_(title)
{
    top_ = kLegend + (title.isEmpty() ? 0 : 2 * QFontMetricsF(font).height());
    const double width = std::max(1.0, size.width() - kLeft - kRight);
    const double height = std::max(1.0, size.height() - top_ - kGap - kBottom);
    const double analogue = std::round(height * kAnalogueShare);
    // Lanes of whole pixels, so the traces sit alike in each.
    const double laneHeight = std::max(1.0, std::floor((height - analogue) / kLanes));
    analogue_ = QRectF(kLeft, top_, width, analogue);
    digital_ = QRectF(kLeft, top_ + analogue + kGap, width, laneHeight * kLanes);
}

QRectF ChartPainter::lane(int index) const
{
    const double height = digital_.height() / kLanes;
    return QRectF(digital_.left(), digital_.top() + index * height, digital_.width(), height);
}

void ChartPainter::paintBackground(QPainter& p, const ChartTime& time) const
{
    p.fillRect(QRectF(QPointF(0, 0), size_), Qt::white);
    p.setFont(font_);
    if (!title_.isEmpty()) {
        QFont bold = font_;
        bold.setPointSizeF(font_.pointSizeF() * 1.3);
        bold.setBold(true);
        p.setFont(bold);
        p.setPen(kAxis);
        p.drawText(QRectF(0, 0, size_.width(), top_ - kLegend), Qt::AlignCenter, title_);
        p.setFont(font_);
    }
    paintVolts(p);
    paintLanes(p);
    paintTimeAxis(p, time);
    p.setPen(kAxis);
    p.setBrush(Qt::NoBrush);
    p.drawRect(analogue_);
    p.drawRect(digital_);
    paintLegend(p);
}

// The volts: a grid line and a label at each whole volt, and the axis' name.
void ChartPainter::paintVolts(QPainter& p) const
{
    for (int v = 0; v <= 5; ++v) {
        const double y = analogue_.bottom() - v / kHighestVolts * analogue_.height();
        p.setPen(kGrid);
        p.drawLine(QPointF(analogue_.left(), y), QPointF(analogue_.right(), y));
        p.setPen(kAxis);
        p.drawText(QRectF(0, y - 10, kLeft - 8, 20), Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    p.save();
    p.translate(14, analogue_.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-40, -10, 80, 20), Qt::AlignCenter, QStringLiteral("Volts"));
    p.restore();
}

// The lanes: Out 1..8 from the top, then In 1..8, each labelled in its colour.
void ChartPainter::paintLanes(QPainter& p) const
{
    for (int i = 0; i < kLanes; ++i) {
        const QRectF l = lane(i);
        p.setPen(kGrid);
        if (i > 0)
            p.drawLine(l.topLeft(), l.topRight());
        p.setPen(i < 8 ? chart_colours::kOutputs.darker(130) : chart_colours::kInputs.darker(130));
        const QString label = QStringLiteral("%1 %2").arg(i < 8 ? QStringLiteral("Out") : QStringLiteral("In")).arg(i % 8 + 1);
        p.drawText(QRectF(0, l.top(), kLeft - 8, l.height()), Qt::AlignRight | Qt::AlignVCenter, label);
    }
}

// Time: a tick at each round number of seconds, from the start or before now, the same
// for both areas.
void ChartPainter::paintTimeAxis(QPainter& p, const ChartTime& time) const
{
    const QFontMetricsF metrics(font_);
    const double length = time.to - time.from;
    const double step = tickStep(length);
    for (double s = 0; s <= length + 1e-9; s += step) {
        const double x = time.beforeNow ? analogue_.right() - s / length * analogue_.width()
                                        : analogue_.left() + s / length * analogue_.width();
        p.setPen(kGrid);
        p.drawLine(QPointF(x, analogue_.top()), QPointF(x, analogue_.bottom()));
        p.drawLine(QPointF(x, digital_.top()), QPointF(x, digital_.bottom()));
        p.setPen(kAxis);
        const QString label = !time.beforeNow ? QString::number(s, 'g', 10)
                              : s == 0        ? QStringLiteral("now")
                                              : QStringLiteral("−%1").arg(s);
        for (const QRectF& area : {analogue_, digital_})
            p.drawText(QRectF(x - 40, area.bottom() + 4, 80, metrics.height()), Qt::AlignCenter, label);
    }
    p.drawText(QRectF(digital_.left(), digital_.bottom() + 4 + metrics.height(), digital_.width(), metrics.height()),
               Qt::AlignCenter, time.beforeNow ? QStringLiteral("Seconds before now") : QStringLiteral("Time since start (s)"));
}

// The legend above the volts.
void ChartPainter::paintLegend(QPainter& p) const
{
    const QFontMetricsF metrics(font_);
    double x = analogue_.left();
    const double y = top_ - kLegend / 2;
    for (const auto& [colour, name] : {std::pair{chart_colours::kAnalogue1, QStringLiteral("Analogue 1")},
                                       std::pair{chart_colours::kAnalogue2, QStringLiteral("Analogue 2")}}) {
        p.setPen(QPen(colour, 3));
        p.drawLine(QPointF(x, y), QPointF(x + 24, y));
        p.setPen(kAxis);
        p.drawText(QPointF(x + 30, y + metrics.ascent() / 2 - 1), name);
        x += 48 + metrics.horizontalAdvance(name);
    }
}

void ChartPainter::paintTraces(QPainter& p, const ChartTime& time, const ChartTraces& traces) const
{
    p.save();
    // The digital traces: straight lines on whole pixels need no smoothing. Each is two
    // pixels wide, drawn as two one-pixel lines a pixel apart: a one-pixel pen takes the
    // painter's fast path, a wider one is outlined as a shape first, which costs several
    // times more for a trace that changes at every frame.
    p.setClipRect(digital_.adjusted(1, 1, -1, -1));
    for (int n = 0; n < 8; ++n) {
        for (const auto& [samples, index, colour] : {std::tuple{&traces.outputs, n, chart_colours::kOutputs},
                                                     std::tuple{&traces.inputs, 8 + n, chart_colours::kInputs}}) {
            const QPolygonF line = steps((*samples)[static_cast<std::size_t>(n)], time, lane(index));
            p.setPen(QPen(colour, 1));
            p.drawPolyline(line);
            p.drawPolyline(line.translated(1, 1));
        }
    }

    // 0 V and 5 V lie on the frame: the lines may cover it.
    p.setClipRect(analogue_.adjusted(1, -2, -1, 2));
    p.setRenderHint(QPainter::Antialiasing);
    const auto y = [this](double volts) {
        return analogue_.bottom() - std::clamp(volts, 0.0, kHighestVolts) / kHighestVolts * analogue_.height();
    };
    // Smoothed, and again two one-pixel lines (a pixel apart on the diagonal, so that
    // steep and flat stretches both come out two pixels wide): drawn with a two-pixel pen
    // these lines took most of a live chart's redraw.
    for (const auto& [samples, colour] : {std::pair{&traces.volts1, chart_colours::kAnalogue1},
                                          std::pair{&traces.volts2, chart_colours::kAnalogue2}}) {
        p.setPen(QPen(colour, 1));
        for (const QPolygonF& line : lines(*samples, time, analogue_, y)) {
            p.drawPolyline(line);
            p.drawPolyline(line.translated(1, 0));
            p.drawPolyline(line.translated(0, 1));
        }
    }
    p.restore();
}
