#include "card_link/port_device.h"
#include "fake_serial_port.h"
#include "panel/form1.h"

#include <QApplication>
#include <QHelpEvent>
#include <QRadioButton>
#include <gtest/gtest.h>

namespace {

// What the option shows when the pointer rests on it.
QString tooltipShown(QRadioButton* option)
{
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), option->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(option, &hover);
    return option->toolTip();
}

} // namespace

TEST(PortToolTips, NameTheDeviceEachPortWouldOpenWhenShown)
{
    FakeSerialPort port;
    panel::Form1 form{&port};
    qputenv("PELMORA_COM1", "/dev/null");
    const QString com1 = tooltipShown(form.quale_porta(0));
    qputenv("PELMORA_COM1", "/dev/ttyUSB9");  // looked up afresh each time it is shown
    const QString com1Later = tooltipShown(form.quale_porta(0));
    qputenv("PELMORA_COM1", "null");  // named as the port opens it: /dev/null
    const QString com1Bare = tooltipShown(form.quale_porta(0));
    qunsetenv("PELMORA_COM1");

    EXPECT_EQ(com1, "/dev/null — porta seriale, scelta da PELMORA_COM1");
    EXPECT_EQ(com1Later, "/dev/ttyUSB9 — non presente, scelta da PELMORA_COM1");
    EXPECT_EQ(com1Bare, com1);
    EXPECT_EQ(form.quale_porta(0)->text(), "Com1");
    if (card_link::presentPorts().size() < 4) {
        EXPECT_EQ(tooltipShown(form.quale_porta(3)), "Nessuna porta seriale numero 4 su questo computer");
    }
}
