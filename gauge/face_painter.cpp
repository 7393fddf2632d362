#include "gauge/face_painter.h"

#include <QPainter>

namespace gaugix {

namespace {

void paintLabel(QPainter& painter, const FaceLabel& label, const QRect& dirty)
{
    if (!label.bounds.intersects(dirty))
        return;
    if (label.backColour.isValid())
        painter.fillRect(label.bounds, label.backColour);
    if (label.border) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(label.bounds.adjusted(0, 0, -1, -1));
    }
    if (label.caption.isEmpty())
        return;
    painter.setFont(label.font);
    painter.setPen(label.textColour);
    painter.drawText(label.bounds, int(label.alignment) | Qt::TextSingleLine, label.caption);
}

void paintLine(QPainter& painter, const FaceLine& line, const QRect& dirty, bool smooth)
{
    if (!lineBounds(line).intersects(dirty))
        return;
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setPen(QPen(line.colour, 1, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(line.X1, line.Y1), QPointF(line.X2, line.Y2));
    painter.setRenderHint(QPainter::Antialiasing, false);
}

} // namespace

QRect lineBounds(const FaceLine& line)
{
    return QRectF(QPointF(line.X1, line.Y1), QPointF(line.X2, line.Y2))
        .normalized()
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

void paintFace(QPainter& painter, const Face& face, const QRect& dirty)
{
    paintLabel(painter, face.Label4, dirty);
    paintLabel(painter, face.Label3[1], dirty);
    paintLine(painter, face.Line3, dirty, false);
    paintLine(painter, face.Line2, dirty, false);
    paintLabel(painter, face.Label3[0], dirty);
    paintLine(painter, face.Line1, dirty, false);
    paintLabel(painter, face.Label2, dirty);
    paintLabel(painter, face.display, dirty);
    // The needle moves in fractions of a pixel, so it is drawn smooth.
    paintLine(painter, face.lancetta, dirty, true);
}

} // namespace gaugix
