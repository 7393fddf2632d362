#include "live_chart.h"

#include "axis_ticks.h"
#include "clocks.h"
#include "live_lines.h"
#include "plot_colours.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <tuple>

namespace {

constexpr int kLanes = 16;
constexpr double kLeft = 70;
constexpr double kRight = 18;
constexpr double kTop = 30;
constexpr double kGap = 34;
constexpr double kBottom = 44;
constexpr double kAnalogueShare = 0.42;

const QColor kGrid(0xDD, 0xDD, 0xDD);
const QColor kAxis(0x55, 0x55, 0x55);

// The volts: a grid line and a label at each whole volt, and the axis' name.
void drawVolts(QPainter& p, const QRectF& analogue)
{
    p.setPen(kGrid);
    for (int v = 0; v <= 5; ++v) {
        const double y = analogue.bottom() - v / 5.0 * analogue.height();
        p.setPen(kGrid);
        p.drawLine(QPointF(analogue.left(), y), QPointF(analogue.right(), y));
        p.setPen(kAxis);
        p.drawText(QRectF(0, y - 10, kLeft - 8, 20), Qt::AlignRight | Qt::AlignVCenter, QString::number(v));
    }
    p.save();
    p.translate(14, analogue.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-40, -10, 80, 20), Qt::AlignCenter, QStringLiteral("Volts"));
    p.restore();
}

// Time: a tick at each round number of seconds before now, the same for both areas.
void drawSeconds(QPainter& p, const QRectF& analogue, const QRectF& digital, double window,
                 const QFontMetricsF& metrics)
{
    const double step = tickStep(window);
    p.setPen(kAxis);
    for (double s = 0; s <= window + 1e-9; s += step) {
        const double x = analogue.right() - s / window * analogue.width();
        p.setPen(kGrid);
        p.drawLine(QPointF(x, analogue.top()), QPointF(x, analogue.bottom()));
        p.drawLine(QPointF(x, digital.top()), QPointF(x, digital.bottom()));
        p.setPen(kAxis);
        const QString label = s == 0 ? QStringLiteral("now") : QStringLiteral("−%1").arg(s);
        p.drawText(QRectF(x - 40, digital.bottom() + 4, 80, metrics.height()), Qt::AlignCenter, label);
    }
    p.drawText(QRectF(digital.left(), digital.bottom() + 4 + metrics.height(), digital.width(), metrics.height()),
               Qt::AlignCenter, QStringLiteral("Seconds before now"));
}

// The legend above the volts.
void drawLegend(QPainter& p, const QRectF& analogue, const QFontMetricsF& metrics)
{
    double x = analogue.left();
    const double y = kTop / 2;
    for (const auto& [colour, name] : {std::pair{plot_colours::kAnalogue1, QStringLiteral("Analogue 1")},
                                       std::pair{plot_colours::kAnalogue2, QStringLiteral("Analogue 2")}}) {
        p.setPen(QPen(colour, 3));
        p.drawLine(QPointF(x, y), QPointF(x + 24, y));
        p.setPen(kAxis);
        p.drawText(QPointF(x + 30, y + metrics.ascent() / 2 - 1), name);
        x += 48 + metrics.horizontalAdvance(name);
    }
}

} // namespace

LiveChart::LiveChart(const LiveTrace& trace, QWidget* parent) : QWidget(parent), trace_(trace)
{
    setMinimumSize(600, 420);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

LiveChart::Areas LiveChart::areas() const
{
    const double width = std::max(1.0, this->width() - kLeft - kRight);
    const double height = std::max(1.0, this->height() - kTop - kGap - kBottom);
    const double analogue = std::round(height * kAnalogueShare);
    // Lanes of whole pixels, so the traces sit alike in each.
    const double laneHeight = std::max(1.0, std::floor((height - analogue) / kLanes));
    return {QRectF(kLeft, kTop, width, analogue),
            QRectF(kLeft, kTop + analogue + kGap, width, laneHeight * kLanes)};
}

QRectF LiveChart::lane(const Areas& areas, int index) const
{
    const double height = areas.digital.height() / kLanes;
    return QRectF(areas.digital.left(), areas.digital.top() + index * height, areas.digital.width(), height);
}

void LiveChart::drawBackground()
{
    const qreal ratio = devicePixelRatioF();
    background_ = QPixmap(size() * ratio);
    background_.setDevicePixelRatio(ratio);
    background_.fill(Qt::white);
    QPainter p(&background_);
    const Areas a = areas();
    const QFontMetricsF metrics(font());

    drawVolts(p, a.analogue);
    // The lanes: Out 1..8 from the top, then In 1..8, each labelled in its colour.
    for (int i = 0; i < kLanes; ++i) {
        const QRectF l = lane(a, i);
        p.setPen(kGrid);
        if (i > 0)
            p.drawLine(l.topLeft(), l.topRight());
        p.setPen(i < 8 ? plot_colours::kOutputs.darker(130) : plot_colours::kInputs.darker(130));
        const QString label = QStringLiteral("%1 %2").arg(i < 8 ? QStringLiteral("Out") : QStringLiteral("In")).arg(i % 8 + 1);
        p.drawText(QRectF(0, l.top(), kLeft - 8, l.height()), Qt::AlignRight | Qt::AlignVCenter, label);
    }
    drawSeconds(p, a.analogue, a.digital, trace_.windowSeconds(), metrics);

    p.setPen(kAxis);
    p.setBrush(Qt::NoBrush);
    p.drawRect(a.analogue);
    p.drawRect(a.digital);
    drawLegend(p, a.analogue, metrics);
}

void LiveChart::paintEvent(QPaintEvent*)
{
    if (background_.size() != size() * devicePixelRatioF())
        drawBackground();
    QPainter p(this);
    p.drawPixmap(0, 0, background_);

    const Areas a = areas();
    const double now = static_cast<double>(wallMicros()) / 1e6;
    const TimeSpan span{now - trace_.windowSeconds(), now};

    // The digital traces: straight lines on whole pixels need no smoothing. Each is two
    // pixels wide, drawn as two one-pixel lines a pixel apart: a one-pixel pen takes the
    // painter's fast path, a wider one is outlined as a shape first, which costs several
    // times more for a trace that changes at every frame.
    p.setClipRect(a.digital.adjusted(1, 1, -1, -1));
    for (int n = 0; n < 8; ++n) {
        for (const auto& [samples, index, colour] : {std::tuple{&trace_.outputs(), n, plot_colours::kOutputs},
                                                     std::tuple{&trace_.inputs(), 8 + n, plot_colours::kInputs}}) {
            const QPolygonF line = statesLine(*samples, n, span, lane(a, index));
            p.setPen(QPen(colour, 1));
            p.drawPolyline(line);
            p.drawPolyline(line.translated(1, 1));
        }
    }

    // 0 V and 5 V lie on the frame: the lines may cover it.
    p.setClipRect(a.analogue.adjusted(1, -2, -1, 2));
    p.setRenderHint(QPainter::Antialiasing);
    // Smoothed, and again two one-pixel lines (a pixel apart on the diagonal, so that
    // steep and flat stretches both come out two pixels wide): drawn with a two-pixel pen
    // these lines took most of a redraw.
    for (int input : {1, 2}) {
        p.setPen(QPen(input == 1 ? plot_colours::kAnalogue1 : plot_colours::kAnalogue2, 1));
        for (const QPolygonF& line : voltsLines(trace_.volts(), input, span, a.analogue)) {
            p.drawPolyline(line);
            p.drawPolyline(line.translated(0.7, 0.7));
        }
    }
}
