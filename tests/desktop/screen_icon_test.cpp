#include "screen_icon_layout.h"
#include "screen_icon_painter.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// How far a pixel's centre lies from the trace's curve.
double distanceToTrace(const icon::ScreenIconLayout& layout, int x, int y)
{
    double nearest = 1e9;
    for (double along = x - 2.0 * layout.traceWidth; along <= x + 2.0 * layout.traceWidth + 1.0; along += 0.125)
        nearest = std::min(nearest, std::hypot(x + 0.5 - along, y + 0.5 - icon::traceY(layout, along)));
    return nearest;
}

bool paletteColour(QRgb pixel)
{
    static const QSet<QRgb> palette{qRgba(0, 0, 0, 0), qRgb(0xC0, 0xC0, 0xC0), qRgb(0x80, 0x80, 0x80),
                                    qRgb(0, 0, 0), qRgb(0, 0x80, 0), qRgb(0xFF, 0xFF, 0xFF)};
    return palette.contains(pixel);
}

// The pixels that are none of the icon's own colours: blended by smoothing.
QList<QPoint> blendedPixels(const QImage& image)
{
    QList<QPoint> blended;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!paletteColour(image.pixel(x, y)))
                blended << QPoint(x, y);
        }
    }
    return blended;
}

// The lowest and highest row of the trace's pixels in column x; high < low when there is none.
std::pair<int, int> columnRun(const icon::ScreenIconLayout& layout, const QList<QPoint>& points, int x)
{
    int low = layout.size, high = -1;
    for (const QPoint& p : points) {
        if (p.x() != x)
            continue;
        EXPECT_TRUE(layout.screen.contains(p));
        low = std::min(low, p.y());
        high = std::max(high, p.y());
    }
    return {low, high};
}

TEST(ScreenIcon, OnlyTheTraceIsEverBlendedAndOnlyAboveThirtyTwoPixels)
{
    for (int size : icon::iconSizes()) {
        SCOPED_TRACE(size);
        const QImage image = icon::paintScreenIcon(size);
        ASSERT_EQ(image.size(), QSize(size, size));
        const icon::ScreenIconLayout layout = icon::layoutFor(size);
        const QList<QPoint> blended = blendedPixels(image);
        // A blended pixel is an edge of the smoothed trace: inside the screen and no
        // further from the curve than the pen reaches.
        for (const QPoint& p : blended) {
            EXPECT_TRUE(layout.screen.contains(p)) << p.x() << "," << p.y();
            EXPECT_LE(distanceToTrace(layout, p.x(), p.y()), layout.traceWidth / 2 + 1.0) << p.x() << "," << p.y();
        }
        if (size <= 32) {
            EXPECT_EQ(blended.size(), 0);
        }
    }
}

TEST(ScreenIcon, GridCellsAreEvenToAPixelAndInsideTheScreen)
{
    for (int size : icon::iconSizes()) {
        SCOPED_TRACE(size);
        const icon::ScreenIconLayout layout = icon::layoutFor(size);
        ASSERT_EQ(layout.gridLines.size(), 5);
        QList<int> columns{layout.screen.left()}, rows{layout.screen.top()};
        for (const QRect& line : layout.gridLines) {
            EXPECT_TRUE(layout.screen.contains(line));
            if (line.height() == layout.screen.height())
                columns << line.left() << line.right() + 1;
            else
                rows << line.top() << line.bottom() + 1;
        }
        columns << layout.screen.right() + 1;
        rows << layout.screen.bottom() + 1;
        for (const QList<int>& edges : {columns, rows}) {
            QList<int> cells;
            for (int i = 0; i + 1 < edges.size(); i += 2)
                cells << edges[i + 1] - edges[i];
            EXPECT_LE(*std::max_element(cells.begin(), cells.end()) - *std::min_element(cells.begin(), cells.end()), 1);
        }
    }
}

TEST(ScreenIcon, PixelTraceIsOneUnbrokenLineAcrossTheScreen)
{
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        const icon::ScreenIconLayout layout = icon::layoutFor(size);
        const QList<QPoint> points = icon::pixelTrace(layout);
        int lastLow = -1, lastHigh = -1;
        for (int x = layout.screen.left(); x <= layout.screen.right(); ++x) {
            const auto [low, high] = columnRun(layout, points, x);
            ASSERT_GE(high, low) << "no pixel in column " << x;
            if (lastHigh >= 0) { // touches the previous column's run, at least at a corner
                EXPECT_TRUE(low <= lastHigh + 1 && high >= lastLow - 1) << "gap before column " << x;
            }
            lastLow = low;
            lastHigh = high;
        }
    }
}

TEST(ScreenIcon, OtherSizesAreNotDrawn)
{
    EXPECT_EQ(icon::layoutFor(24).size, 0);
    EXPECT_TRUE(icon::paintScreenIcon(24).isNull());
}

} // namespace
