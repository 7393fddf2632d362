#include "face_painter.h"

#include <QPainter>

namespace gaugix {

namespace {

void paintLabel(QPainter& painter, const FaceLabel& label, const QRect& dirty)
{
    if (!label.bounds.intersects(dirty))
        return;
    // The border is filled rather than stroked so it stays one whole pixel at any density.
    QRect inside = label.bounds;
    if (label.border) {
        painter.fillRect(label.bounds, Qt::black);
        inside = label.bounds.adjusted(1, 1, -1, -1);
    }
    if (label.backColour.isValid())
        painter.fillRect(inside, label.backColour);
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
    // A smooth line is centred on its coordinates, an aliased one covers the pixel right of
    // and below them; the half-pixel shift keeps the needle on the same pixels as the ticks.
    const QPointF shift = smooth ? QPointF(0.5, 0.5) : QPointF();
    painter.drawLine(QPointF(line.X1, line.Y1) + shift, QPointF(line.X2, line.Y2) + shift);
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

void paintDial(QPainter& painter, const Face& face, const QRect& dirty)
{
    paintLabel(painter, face.Label4, dirty);
    paintLabel(painter, face.Label3[1], dirty);
    paintLine(painter, face.Line3, dirty, false);
    paintLine(painter, face.Line2, dirty, false);
    paintLabel(painter, face.Label3[0], dirty);
    paintLine(painter, face.Line1, dirty, false);
    paintLabel(painter, face.Label2, dirty);
}

void paintMovingParts(QPainter& painter, const Face& face, const QRect& dirty)
{
    paintReadout(painter, face, dirty);
    paintNeedle(painter, face, dirty);
}

void paintReadout(QPainter& painter, const Face& face, const QRect& dirty)
{
    paintLabel(painter, face.display, dirty);
}

void paintNeedle(QPainter& painter, const Face& face, const QRect& dirty)
{
    // The needle moves in fractions of a pixel, so it is drawn smooth.
    paintLine(painter, face.lancetta, dirty, true);
}

void paintFace(QPainter& painter, const Face& face, const QRect& dirty)
{
    paintDial(painter, face, dirty);
    paintMovingParts(painter, face, dirty);
}

} // namespace gaugix
