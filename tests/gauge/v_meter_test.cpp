#include "gauge/v_meter_private.h"
#include "tests/support/default_locale.h"

#include "gauge/face_painter.h"

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <gtest/gtest.h>

#include <limits>

namespace gaugix {
namespace {

// Collects the regions a widget is asked to repaint.
struct PaintSpy : QObject {
    QRegion painted;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
            painted += static_cast<QPaintEvent*>(event)->region();
        }
        return false;
    }
};

const v_meterPrivate& inside(const v_meter& gauge)
{
    return v_meterPrivate::of(gauge);
}

void expectTip(const v_meter& gauge, float x1, float y1)
{
    EXPECT_NEAR(inside(gauge).tip().x(), x1, 1e-4);
    EXPECT_NEAR(inside(gauge).tip().y(), y1, 1e-4);
}

TEST(VMeter, NewInstanceShowsZeroVoltsWithAnEmptyReadout)
{
    v_meter gauge;
    expectTip(gauge, 40.40202f, 56.40202f);
    EXPECT_EQ(inside(gauge).pivot(), QPointF(80, 96));
    EXPECT_TRUE(inside(gauge).readout().isEmpty());
    EXPECT_EQ(gauge.size(), QSize(162, 146));
}

TEST(VMeter, WritesMoveTheNeedleAndRewriteTheReadout)
{
    DefaultLocale point(QLocale(QLocale::English, QLocale::UnitedStates));
    v_meter gauge;
    ASSERT_TRUE(gauge.setValue(2.5));
    expectTip(gauge, 80.0f, 40.0f);
    EXPECT_EQ(inside(gauge).readout(), "2.50");

    ASSERT_TRUE(gauge.setValue(5));
    expectTip(gauge, 119.59798f, 56.40202f);
    EXPECT_EQ(inside(gauge).readout(), "5.00");

    ASSERT_TRUE(gauge.setValue(0));
    expectTip(gauge, 40.40202f, 56.40202f);
    EXPECT_EQ(inside(gauge).readout(), "0.00");

    ASSERT_TRUE(gauge.setValue(7.5));
    expectTip(gauge, 136.0f, 96.0f);
    EXPECT_EQ(inside(gauge).readout(), "7.50");

    ASSERT_TRUE(gauge.setValue(20));
    expectTip(gauge, 40.40202f, 56.40202f);
    EXPECT_EQ(inside(gauge).readout(), "20.00");
    EXPECT_EQ(inside(gauge).pivot(), QPointF(80, 96));
}

TEST(VMeter, ReadoutUsesTheUsersDecimalMark)
{
    DefaultLocale comma(QLocale(QLocale::German, QLocale::Germany));
    v_meter gauge;
    gauge.setValue(128 * 5 / 255.0);
    EXPECT_EQ(inside(gauge).readout(), "2,51");
}

TEST(VMeter, ReadingValueAlwaysYieldsZero)
{
    v_meter gauge;
    EXPECT_EQ(gauge.value(), 0.0);
    gauge.setValue(3.3);
    EXPECT_EQ(gauge.value(), 0.0);
}

TEST(VMeter, NonFiniteWriteIsRefusedAndThePictureKept)
{
    v_meter gauge;
    gauge.setValue(1.0);
    const QImage before = gauge.grab().toImage();
    const double angle = inside(gauge).needleAngle();
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                       -std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(gauge.setValue(bad));
        EXPECT_EQ(inside(gauge).readout(), QLocale().toString(1.0, 'f', 2));
        EXPECT_EQ(inside(gauge).needleAngle(), angle);
    }
    EXPECT_EQ(gauge.grab().toImage(), before);
}

TEST(VMeter, FaceNeitherMovesNorScalesWhenResized)
{
    v_meter plain;
    plain.setValue(4.0);
    v_meter large;
    large.setValue(4.0);
    large.resize(300, 260);
    const QImage face = plain.grab().toImage();
    EXPECT_EQ(large.grab(QRect(0, 0, 162, 146)).toImage(), face);
    EXPECT_EQ(inside(large).tip(), inside(plain).tip());
}

TEST(VMeter, WritesRepaintOnlyWhatChanged)
{
    v_meter gauge;
    gauge.show();
    PaintSpy spy;
    gauge.installEventFilter(&spy);
    QApplication::processEvents();

    gauge.setValue(2.5);
    QApplication::processEvents();
    spy.paints = 0;
    spy.painted = QRegion();
    gauge.setValue(2.5);
    QApplication::processEvents();
    EXPECT_EQ(spy.paints, 0) << "the same value twice must not repaint";

    const FaceLine before = inside(gauge).face.lancetta;
    gauge.setValue(2.6);
    QApplication::processEvents();
    const FaceLine after = inside(gauge).face.lancetta;
    EXPECT_GT(spy.paints, 0);
    // The old and new needles and the readout, and none of the title, the scale's numbers or
    // the end ticks, far from 2.5 V.
    for (const QRect& shown : {lineBounds(before), lineBounds(after), inside(gauge).face.display.bounds})
        EXPECT_TRUE(spy.painted.contains(shown));
    const Face& face = inside(gauge).face;
    for (const QRect& kept : {face.Label2.bounds, face.Label3[0].bounds, face.Label3[1].bounds,
                              lineBounds(face.Line1), lineBounds(face.Line3)})
        EXPECT_FALSE(spy.painted.intersects(kept));
}

QImage freshPicture(const v_meter& gauge)
{
    Face fresh = storedFace();
    fresh.lancetta.X1 = static_cast<float>(inside(gauge).tip().x());
    fresh.lancetta.Y1 = static_cast<float>(inside(gauge).tip().y());
    fresh.display.caption = inside(gauge).readout();
    QImage expected(kFaceWidth, kFaceHeight, QImage::Format_RGB32);
    expected.fill(QColor(kFaceBackground));
    QPainter painter(&expected);
    paintFace(painter, fresh, expected.rect());
    return expected;
}

// The dial and the readouts are drawn once and copied from then on: the picture must
// stay the one that painting every element afresh gives, both when the whole gauge is
// painted and on screen after the partial repaints that writes cause, off the scale too.
// Values come back so that readouts are also copied from the cache.
TEST(VMeter, CopiedDialAndReadoutGiveThePictureOfAFreshPaint)
{
    v_meter gauge;
    gauge.show();
    QApplication::processEvents();
    for (double volts : {0.0, 1.23, 2.5, 4.99, 5.0, 1.23, -2.0, 7.5, 0.0, 2.5}) {
        gauge.setValue(volts);
        QApplication::processEvents();
        const QImage expected = freshPicture(gauge);
        EXPECT_EQ(gauge.grab().toImage().convertToFormat(QImage::Format_RGB32), expected) << volts;
        const QImage onScreen = gauge.screen()->grabWindow(gauge.winId()).toImage();
        EXPECT_EQ(onScreen.convertToFormat(QImage::Format_RGB32), expected) << "on screen, " << volts;
    }
}

} // namespace
} // namespace gaugix
