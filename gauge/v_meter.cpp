#include "gauge/v_meter.h"

#include "gauge/face_painter.h"
#include "gauge/needle_math.h"
#include "gauge/readout_format.h"
#include "gauge/v_meter_accessibility.h"

#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmapCache>

#include <cmath>
#include <functional>

namespace gaugix {

namespace {

// The face names "MS Sans Serif"; where it is missing a free look-alike stands in.
void installFontStandIn()
{
    static const bool installed = [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)installed;
}

// Stores a coordinate as the line keeps it; a result that does not fit is an overflow.
platform::Status assignCoordinate(float& target, float computed)
{
    if (!std::isfinite(computed))
        return platform::kOverflow;
    target = computed;
    return platform::kOk;
}

// The needle's bounds anywhere on the 0 to 5 V scale, with the readout under it. The
// tips at both ends and at the top of the arc bound every position between them.
QRect scaleArea(const Face& face, double raggio, double pigreco)
{
    QRect area = face.display.bounds;
    for (double volts : {0.0, 2.5, 5.0}) {
        FaceLine needle = face.lancetta;
        const double angle = gaugix::needleAngle(volts, pigreco);
        needle.X1 = gaugix::tipX(angle, raggio);
        needle.Y1 = gaugix::tipY(angle, raggio);
        area |= lineBounds(needle);
    }
    return area;
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
{
    installFontStandIn();
    installAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    face = storedFace();
    resize(kFaceWidth, kFaceHeight);
    UserControl_Initialize();
}

QSize v_meter::sizeHint() const
{
    return QSize(kFaceWidth, kFaceHeight);
}

void v_meter::UserControl_Initialize()
{
    // With these fixed numbers no step can fault, so there is nothing to report.
    raggio = kRaggio;
    pigreco = kPigreco;
    angolo = kStartFraction * pigreco;
    QRect dirty;
    moveTip(&dirty);
    scaleArea_ = scaleArea(face, raggio, pigreco);
}

platform::Status v_meter::setValue(const double& valore)
{
    if (!std::isfinite(valore))
        return platform::kInvalidArg;

    const double angle = gaugix::needleAngle(valore, pigreco);
    if (!std::isfinite(angle))
        return platform::kOverflow;
    angolo = angle;

    QRect dirty;
    const platform::Status moved = moveTip(&dirty);
    if (platform::succeeded(moved)) {
        // The readout is rewritten last, and repainted only when its text changes.
        const QString text = formatReadout(valore, QLocale());
        if (text != face.display.caption) {
            face.display.caption = text;
            dirty |= face.display.bounds;
            announceReading(*this);
        }
    }
    // On the scale every write repaints the same area, so that the host window merges
    // the repaints of gauges side by side into a few bands instead of many pieces.
    if (!dirty.isEmpty())
        update(dirty | scaleArea_);
    return moved;
}

// Moves the needle tip to the current angle, X1 before Y1; *dirty receives the area to repaint.
platform::Status v_meter::moveTip(QRect* dirty)
{
    const FaceLine before = face.lancetta;
    platform::Status status = assignCoordinate(face.lancetta.X1, gaugix::tipX(angolo, raggio));
    if (platform::succeeded(status))
        status = assignCoordinate(face.lancetta.Y1, gaugix::tipY(angolo, raggio));
    if (face.lancetta.X1 != before.X1 || face.lancetta.Y1 != before.Y1)
        *dirty = lineBounds(before).united(lineBounds(face.lancetta));
    return status;
}

// The dial never changes, so it is drawn once per pixel density and copied from then on.
const QPixmap& v_meter::dial(qreal density)
{
    if (dial_.isNull() || dial_.devicePixelRatio() != density) {
        const QRect wholeFace(0, 0, kFaceWidth, kFaceHeight);
        dial_ = drawPicture(wholeFace, density, [&](QPainter& onDial) { paintDial(onDial, face, wholeFace); });
    }
    return dial_;
}

void v_meter::paintEvent(QPaintEvent* event)
{
    const QRect dirty = event->rect();
    QPainter painter(this);
    const qreal density = devicePixelRatioF();
    const QPixmap& cached = dial(density);
    const QRect onDial = dirty & QRect(0, 0, kFaceWidth, kFaceHeight);
    if (onDial != dirty)
        painter.fillRect(dirty, QColor(kFaceBackground));
    painter.drawPixmap(onDial, cached,
                       QRectF(onDial.topLeft() * density, onDial.size() * density).toAlignedRect());
    paintReadoutCopy(painter, dirty);
    paintNeedle(painter, face, dirty);
}

// Laying out the readout's text costs more than the rest of a repaint, and an 8-bit
// reading gives only a few hundred texts: each one is drawn once into the application's
// pixmap cache, shared by all gauges and bounded by its size limit. At a fractional pixel
// density a copy could not land on whole pixels, so the readout is drawn afresh there.
void v_meter::paintReadoutCopy(QPainter& painter, const QRect& dirty)
{
    const FaceLabel& readout = face.display;
    if (!readout.bounds.intersects(dirty))
        return;
    const qreal density = devicePixelRatioF();
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
