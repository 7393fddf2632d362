#include "v_meter_private.h"

#include "face_painter.h"
#include "gauge/font_stand_ins.h"
#include "needle_math.h"
#include "readout_format.h"
#include "v_meter_accessibility.h"

#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmapCache>

#include <cmath>
#include <functional>

namespace gaugix {

namespace {

// What a needle that moved from `before` to `after` leaves to repaint. On the scale it is
// given the full height of the scale's band, so that the areas of many gauges side by side
// line up in a few bands, which the host window joins cheaply; off the scale, just where
// the two needles are.
QRect needleArea(const FaceLine& before, const FaceLine& after)
{
    static const QRect band = [] {
        QRect onScale;
        FaceLine needle = storedFace().lancetta;
        for (double volts : {0.0, 2.5, 5.0}) {
            const double angle = gaugix::needleAngle(volts, kPigreco);
            needle.X1 = gaugix::tipX(angle, kRaggio);
            needle.Y1 = gaugix::tipY(angle, kRaggio);
            onScale |= lineBounds(needle);
        }
        return onScale;
    }();
    const QRect area = lineBounds(before) | lineBounds(after);
    if (area.top() < band.top() || area.bottom() > band.bottom())
        return area;
    return QRect(area.left(), band.top(), area.width(), band.height());
}

// A picture of `area` of the face (in the face's own pixels) at a pixel density, for
// copying from later.
QPixmap drawPicture(const QRect& area, qreal density, const std::function<void(QPainter&)>& paint)
{
    QPixmap picture(area.size() * density);
    picture.setDevicePixelRatio(density);
    picture.fill(QColor(kFaceBackground));
    QPainter painter(&picture);
    painter.translate(-area.topLeft());
    paint(painter);
    return picture;
}

} // namespace

v_meter::v_meter(QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<v_meterPrivate>(*this))
{
    installFontStandIns();
    installAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    // In a layout the gauge keeps the size of its face.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(kFaceWidth, kFaceHeight);
    d->UserControl_Initialize();
}

v_meter::~v_meter() = default;

bool v_meter::setValue(double volts)
{
    return d->write(volts);
}

double v_meter::value() const
{
    return 0.0;
}

QSize v_meter::sizeHint() const
{
    return QSize(kFaceWidth, kFaceHeight);
}

void v_meter::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const qreal density = devicePixelRatioF();
    // A write leaves two separate pieces to repaint, the needle's and the readout's.
    for (const QRect& piece : event->region())
        d->paint(painter, piece, density);
}

v_meterPrivate::v_meterPrivate(v_meter& gauge)
    : face(storedFace())
    , q(gauge)
{
}

void v_meterPrivate::UserControl_Initialize()
{
    raggio = kRaggio;
    pigreco = kPigreco;
    angolo = kStartFraction * pigreco;
    moveTip();
}

bool v_meterPrivate::write(double valore)
{
    // For a finite value no step can fault: the angle and both coordinates stay finite.
    if (!std::isfinite(valore))
        return false;
    const FaceLine before = face.lancetta;
    angolo = gaugix::needleAngle(valore, pigreco);
    moveTip();
    QRect dirty;
    if (face.lancetta.X1 != before.X1 || face.lancetta.Y1 != before.Y1)
        dirty = needleArea(before, face.lancetta);

    // The readout is rewritten last, and repainted only when its text changes.
    QString text = formatReadout(valore, QLocale());
    if (text != face.display.caption) {
        face.display.caption = std::move(text);
        dirty |= face.display.bounds;
        announceReading(q);
    }
    // One rectangle: the host window paints a single rectangle faster than two pieces.
    if (!dirty.isEmpty())
        q.update(dirty);
    return true;
}

// Moves the needle tip to the current angle, X1 before Y1.
void v_meterPrivate::moveTip()
{
    face.lancetta.X1 = gaugix::tipX(angolo, raggio);
    face.lancetta.Y1 = gaugix::tipY(angolo, raggio);
}

// The dial never changes, so it is drawn once per pixel density and copied from then on.
const QPixmap& v_meterPrivate::dial(qreal density)
{
    if (dial_.isNull() || dial_.devicePixelRatio() != density) {
        const QRect wholeFace(0, 0, kFaceWidth, kFaceHeight);
        dial_ = drawPicture(wholeFace, density, [&](QPainter& onDial) { paintDial(onDial, face, wholeFace); });
    }
    return dial_;
}

void v_meterPrivate::paint(QPainter& painter, const QRect& dirty, qreal density)
{
    const QPixmap& cached = dial(density);
    const QRect onDial = dirty & QRect(0, 0, kFaceWidth, kFaceHeight);
    if (onDial != dirty)
        painter.fillRect(dirty, QColor(kFaceBackground));
    painter.drawPixmap(onDial, cached, QRectF(onDial.topLeft() * density, onDial.size() * density).toAlignedRect());
    paintReadoutCopy(painter, dirty, density);
    paintNeedle(painter, face, dirty);
}

// Laying out the readout's text costs more than the rest of a repaint, and an 8-bit
// reading gives only a few hundred texts: each one is drawn once into the application's
// pixmap cache, shared by all gauges and bounded by its size limit. At a fractional pixel
// density a copy could not land on whole pixels, so the readout is drawn afresh there.
void v_meterPrivate::paintReadoutCopy(QPainter& painter, const QRect& dirty, qreal density)
{
    const FaceLabel& readout = face.display;
    if (!readout.bounds.intersects(dirty))
        return;
    if (density != std::round(density)) {
        paintReadout(painter, face, dirty);
        return;
    }
    const QString key = QStringLiteral("gaugix/readout/%1/%2").arg(density).arg(readout.caption);
    QPixmap copy;
    if (!QPixmapCache::find(key, &copy)) {
        copy = drawPicture(readout.bounds, density, [&](QPainter& onCopy) { paintReadout(onCopy, face, readout.bounds); });
        QPixmapCache::insert(key, copy);
    }
    painter.drawPixmap(readout.bounds.topLeft(), copy);
}

} // namespace gaugix
