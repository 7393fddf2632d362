#include "screen_icon_painter.h"

#include "screen_icon_layout.h"

#include <QPainter>
#include <QPainterPath>

namespace icon {
namespace {

const QColor kFrame(0xC0, 0xC0, 0xC0);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kScreen(0x00, 0x00, 0x00);
const QColor kGrid(0x00, 0x80, 0x00);
const QColor kTrace(0xFF, 0xFF, 0xFF);

void paintSmoothTrace(QPainter& painter, const ScreenIconLayout& layout)
{
    const QRect& s = layout.screen;
    QPainterPath path;
    path.moveTo(s.left(), traceY(layout, s.left()));
    for (double x = s.left() + 0.5; x <= s.right() + 1.0; x += 0.5)
        path.lineTo(x, traceY(layout, x));
    painter.save();
    painter.setClipRect(s);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kTrace, layout.traceWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(path);
    painter.restore();
}

} // namespace

QImage paintScreenIcon(int size)
{
    const ScreenIconLayout layout = layoutFor(size);
    if (layout.size == 0)
        return {};
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(layout.body, kFrame);
    painter.fillRect(layout.shadowRight, kShadow);
    painter.fillRect(layout.shadowBottom, kShadow);
    painter.fillRect(layout.screen, kScreen);
    for (const QRect& line : layout.gridLines)
        painter.fillRect(line, kGrid);
    if (layout.traceWidth > 0) {
        paintSmoothTrace(painter, layout);
    } else {
        for (const QPoint& p : pixelTrace(layout))
            painter.fillRect(QRect(p, QSize(1, 1)), kTrace);
    }
    return image;
}

} // namespace icon
