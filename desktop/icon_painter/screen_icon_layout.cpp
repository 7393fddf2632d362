#include "screen_icon_layout.h"

#include <QtMath>

#include <algorithm>
#include <array>
#include <cmath>

namespace icon {
namespace {

// Widths in pixels, chosen per size: the frame's band on each side (the right and
// bottom bands include the shadow), the shadow, the grid lines and the trace.
struct Hints {
    int size, left, top, right, bottom, shadow, line;
    double trace;
};

constexpr std::array<Hints, 6> kHints{{
    {16, 1, 1, 1, 1, 1, 1, 0.0},
    {32, 2, 2, 3, 2, 1, 1, 0.0},
    {48, 3, 3, 4, 4, 1, 1, 2.0},
    {64, 4, 4, 5, 5, 2, 1, 2.5},
    {128, 8, 8, 10, 10, 3, 2, 4.5},
    {256, 16, 16, 20, 20, 6, 4, 8.0},
}};

// The trace in proportion to the screen, as in the scalable icon drawn on a 220 x 156
// screen: a period of 192, a rising zero 8 in from the left and an amplitude of 60.
constexpr double kPeriod = 192.0 / 220.0;
constexpr double kRisingZero = 8.0 / 220.0;
constexpr double kAmplitude = 60.0 / 156.0;

// Edges of `count` lines of `width` that split `extent` pixels from `start` into
// count + 1 cells as even as whole pixels allow.
QList<int> lineEdges(int start, int extent, int count, int width)
{
    QList<int> edges;
    const int cells = extent - count * width;
    for (int k = 1; k <= count; ++k)
        edges << start + k * cells / (count + 1) + (k - 1) * width;
    return edges;
}

} // namespace

QList<int> iconSizes()
{
    QList<int> sizes;
    for (const Hints& h : kHints)
        sizes << h.size;
    return sizes;
}

ScreenIconLayout layoutFor(int size)
{
    const auto hints = std::find_if(kHints.begin(), kHints.end(), [size](const Hints& h) { return h.size == size; });
    if (hints == kHints.end())
        return {};
    const Hints& h = *hints;
    ScreenIconLayout layout;
    layout.size = size;
    // A 4:3 set, centred from top to bottom.
    const int height = size * 3 / 2;
    layout.body = QRect(0, (size - height) / 2, size, height);
    layout.shadowRight = QRect(layout.body.right() + 1 - h.shadow, layout.body.top(), h.shadow, height);
    layout.shadowBottom = QRect(0, layout.body.bottom() + 1 - h.shadow, size, h.shadow);
    layout.screen = layout.body.adjusted(h.left, h.top, -h.right, -h.bottom);
    const QRect& s = layout.screen;
    for (int x : lineEdges(s.left(), s.width(), 3, h.line))
        layout.gridLines << QRect(x, s.top(), h.line, s.height());
    for (int y : lineEdges(s.top(), s.height(), 2, h.line))
        layout.gridLines << QRect(s.left(), y, s.width(), h.line);
    layout.traceWidth = h.trace;
    return layout;
}

double traceY(const ScreenIconLayout& layout, double x)
{
    const QRect& s = layout.screen;
    const double phase = (x - s.left() - kRisingZero * s.width()) / (kPeriod * s.width());
    return s.top() + s.height() / 2.0 - kAmplitude * s.height() * std::sin(2 * M_PI * phase);
}

QList<QPoint> pixelTrace(const ScreenIconLayout& layout)
{
    const QRect& s = layout.screen;
    QList<int> rows;
    for (int x = s.left(); x <= s.right(); ++x)
        rows << std::clamp(int(std::floor(traceY(layout, x + 0.5))), s.top(), s.bottom());

    // Each column reaches halfway towards its neighbours' rows, so that steep
    // stretches stay joined without doubling the line where it is flat.
    QList<QPoint> points;
    for (int i = 0; i < rows.size(); ++i) {
        int low = rows[i], high = rows[i];
        for (int j : {i - 1, i + 1}) {
            if (j < 0 || j >= rows.size())
                continue;
            const int gap = rows[j] - rows[i];
            const int reach = (std::abs(gap) - (j > i ? 0 : 1)) / 2;
            if (gap > 0)
                high = std::max(high, rows[i] + reach);
            else if (gap < 0)
                low = std::min(low, rows[i] - reach);
        }
        for (int y = low; y <= high; ++y)
            points << QPoint(s.left() + i, y);
    }
    return points;
}

} // namespace icon
