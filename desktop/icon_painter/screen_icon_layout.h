#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

namespace icon {

// Where each part of the application icon falls at one pixel size: a grey frame
// with a dark shadow on its right and bottom, a black screen, a green grid of four
// columns and three rows, and a white trace of a little more than one sine period.
// Every edge lies on a whole pixel, so frame and grid stay sharp at every size.
struct ScreenIconLayout {
    int size = 0;           // the icon is size x size pixels
    QRect body;             // frame and screen together
    QRect shadowRight;      // the dark bands of the frame
    QRect shadowBottom;
    QRect screen;
    QList<QRect> gridLines; // three vertical, then two horizontal
    double traceWidth = 0;  // pen width; 0 means one pixel set per step, no smoothing
};

// The sizes that are drawn; each has its own hand-picked frame, line and trace widths.
QList<int> iconSizes();

// The layout for one of iconSizes(); an empty layout (size 0) for any other size.
ScreenIconLayout layoutFor(int size);

// The trace's height at a horizontal position, both in pixels of the icon.
double traceY(const ScreenIconLayout& layout, double x);

// For the pixel-drawn trace: one connected line of pixels across the screen, each
// column's own point plus the pixels that join it to the next column's.
QList<QPoint> pixelTrace(const ScreenIconLayout& layout);

} // namespace icon
