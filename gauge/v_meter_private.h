#pragma once
// The inside of a v_meter: its members and its face. Only the library's own code and its
// tests see it; hosts have the public class alone.

#include "face.h"

#include <gaugix/v_meter.h>

#include <QPixmap>
#include <QPointF>
#include <QRect>

namespace gaugix {

class v_meterPrivate {
public:
    explicit v_meterPrivate(v_meter& gauge);

    static v_meterPrivate& of(v_meter& gauge) { return *gauge.d; }
    static const v_meterPrivate& of(const v_meter& gauge) { return *gauge.d; }

    // Sets the members and puts the needle at 0 V, before the gauge is first shown.
    void UserControl_Initialize();
    // The write of `value`: false, with nothing changed, when it is not finite.
    bool write(double valore);
    void paint(QPainter& painter, const QRect& dirty, qreal density);

    QPointF tip() const { return QPointF(face.lancetta.X1, face.lancetta.Y1); }
    QPointF pivot() const { return QPointF(face.lancetta.X2, face.lancetta.Y2); }
    const QString& readout() const { return face.display.caption; }
    double needleAngle() const { return angolo; }

    double raggio = 0.0;
    double angolo = 0.0;
    double pigreco = 0.0;
    Face face;

private:
    void moveTip();
    const QPixmap& dial(qreal density);
    void paintReadoutCopy(QPainter& painter, const QRect& dirty, qreal density);

    v_meter& q;
    QPixmap dial_;
};

} // namespace gaugix
