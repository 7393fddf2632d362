#pragma once

#include "gauge/face.h"
#include "platform/status.h"

#include <QPixmap>
#include <QPointF>
#include <QWidget>

namespace gaugix {

// Needle gauge for one voltage from 0 to 5 V: a fixed dial face, a needle that turns about
// the pivot (80, 96) and a two-decimal readout. Its one property is `value`.
class v_meter : public QWidget {
    Q_OBJECT
    // Read-only views for hosts and tests that reach the control only as a QObject.
    Q_PROPERTY(QPointF tip READ tip)
    Q_PROPERTY(QPointF pivot READ pivot)
    Q_PROPERTY(QString readout READ readout)

public:
    explicit v_meter(QWidget* parent = nullptr);

    // Turns the needle and rewrites the readout. A value that is not finite is refused
    // with kInvalidArg and changes nothing.
    platform::Status setValue(const double& valore);
    // The control keeps no copy of what was written: reading always yields 0.0.
    double value() const { return 0.0; }

    float tipX() const { return face.lancetta.X1; }
    float tipY() const { return face.lancetta.Y1; }
    QPointF tip() const { return QPointF(face.lancetta.X1, face.lancetta.Y1); }
    QPointF pivot() const { return QPointF(face.lancetta.X2, face.lancetta.Y2); }
    QString readout() const { return face.display.caption; }
    double needleAngle() const { return angolo; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void UserControl_Initialize();
    platform::Status moveTip(QRect* dirty);
    const QPixmap& dial(qreal density);
    void paintReadoutCopy(QPainter& painter, const QRect& dirty);

    double raggio = 0.0;
    double angolo = 0.0;
    double pigreco = 0.0;
    Face face;
    QPixmap dial_;
    QRect scaleArea_;
};

} // namespace gaugix
