// What an exchange repaints: nothing at all when the card's reply has not changed; when one
// reading changes, only its gauge, around the needle and the readout.
#include "fake_serial_port.h"
#include "panel/form1.h"
#include "panel_test_support.h"

#include <QApplication>
#include <QPaintEvent>
#include <gtest/gtest.h>

using panel::Form1;

namespace {

QByteArray reply(int inputs, int analog1, int analog2)
{
    const char bytes[] = {char(inputs), char(analog1), char(analog2)};
    return QByteArray(bytes, 3);
}

// Every paint event of the application, by widget.
struct PaintWatch : QObject {
    QHash<QObject*, QRegion> painted;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted[watched] += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST(Form1Repaint, AnUnchangedReplyRepaintsNothingAChangedReadingOnlyItsGauge)
{
    FakeSerialPort port;
    Form1 form(&port);
    form.Form_Load();
    form.Timer1().stop();
    form.show();
    port.reads = {reply(0x41, 128, 219)};
    form.comunica();
    runEventsFor(100);

    PaintWatch watch;
    qApp->installEventFilter(&watch);
    port.reads = {reply(0x41, 128, 219)};
    form.comunica();
    runEventsFor(100);
    EXPECT_TRUE(watch.painted.isEmpty()) << watch.painted.size() << " widgets repainted for the same reply";

    port.reads = {reply(0x41, 131, 219)};
    form.comunica();
    runEventsFor(100);
    qApp->removeEventFilter(&watch);
    QWidget* gauge = form.v_meter1(0)->widget();
    ASSERT_EQ(watch.painted.keys(), QList<QObject*>{gauge});
    // Around the needle and the readout: neither the title nor the scale's end numbers.
    const QRegion region = watch.painted.value(gauge);
    EXPECT_FALSE(region.intersects(QRect(16, 0, 121, 17)));
    EXPECT_FALSE(region.intersects(QRect(8, 24, 17, 17)));
    EXPECT_FALSE(region.intersects(QRect(136, 24, 17, 17)));
    EXPECT_TRUE(region.contains(QRect(48, 112, 65, 25)));
}

} // namespace
