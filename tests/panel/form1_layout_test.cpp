#include "panel/form1.h"
#include "fake_serial_port.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using panel::Form1;

namespace {
struct Form1Layout : ::testing::Test {
    FakeSerialPort port;
    Form1 form{&port};
    QRect inClient(QWidget* w) const { return QRect(w->mapTo(form.clientArea(), QPoint(0, 0)), w->size()); }
};
} // namespace

TEST_F(Form1Layout, WindowAsDescribed)
{
    EXPECT_EQ(form.windowTitle(), "Pelmora    by Tersani");
    EXPECT_EQ(form.clientArea()->size(), QSize(751, 386));
    EXPECT_TRUE(form.problems().isEmpty()) << form.problems().join('\n').toStdString();
    EXPECT_NE(form.v_meter1(0), nullptr);
    EXPECT_NE(form.v_meter1(1), nullptr);
    EXPECT_FALSE(form.Timer1().isActive());
    EXPECT_EQ(form.Timer1().interval(), 100);
    EXPECT_TRUE(form.quale_porta(0)->isChecked());
    for (int i = 1; i < 4; ++i)
        EXPECT_FALSE(form.quale_porta(i)->isChecked());
    EXPECT_EQ(form.quale_porta(3)->text(), "Com4");
    EXPECT_EQ(form.menuEsci()->text(), "&Esci");
    EXPECT_FALSE(form.windowIcon().isNull());
    EXPECT_EQ(qobject_cast<QLabel*>(form.control("Label13"))->text(), "PIC Serial Card Control");
    EXPECT_EQ(qobject_cast<QLabel*>(form.control("Picture2"))->pixmap().size(), QSize(198, 38));
    EXPECT_EQ(form.control("Picture2")->size(), QSize(202, 42));
}

TEST_F(Form1Layout, ChannelColumnsLeftToRightInChannelOrder)
{
    int previousLeft = -1;
    for (int i = 0; i < 8; ++i) {
        auto* name = qobject_cast<QLabel*>(form.control(panel::controlKey("nome_traccia", i)));
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(name->text(), QStringLiteral("Interruttore %1").arg(i + 1));
        const int left = inClient(name).left();
        EXPECT_GT(left, previousLeft) << "channel " << i;
        previousLeft = left;
        // Every control of a channel shares its column.
        for (QWidget* w : {static_cast<QWidget*>(form.led_out(i)), static_cast<QWidget*>(form.onoff(i)),
                           static_cast<QWidget*>(form.led_ingresso(i))})
            EXPECT_EQ(w->parentWidget(), name->parentWidget());
        EXPECT_EQ(form.onoff(i)->text(), "On / Off");
    }
    EXPECT_EQ(form.control("canale(0)"), form.led_out(0)->parentWidget());
    EXPECT_EQ(form.control("canale(14)"), form.led_out(1)->parentWidget());
    EXPECT_EQ(form.control("canale(8)"), form.led_out(7)->parentWidget());
    EXPECT_EQ(form.control("canale(1)"), nullptr);
    EXPECT_EQ(inClient(form.control("canale(8)")).right() + 1, form.clientArea()->width());
}

TEST_F(Form1Layout, LedPicturesHeldOutOfSight)
{
    for (QLabel* holder : {form.picLedOn(), form.picLedOff()}) {
        EXPECT_GE(inClient(holder).top(), form.clientArea()->height());
        EXPECT_FALSE(holder->isHidden());
        EXPECT_EQ(holder->pixmap().size(), QSize(13, 16));
    }
    EXPECT_NE(form.picLedOn()->pixmap().toImage(), form.picLedOff()->pixmap().toImage());
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form.led_ingresso(i)->pixmap().toImage(), form.picLedOff()->pixmap().toImage());
}

TEST_F(Form1Layout, KeyboardOrderAndNoDefaultButton)
{
    QStringList expected{"esci"};
    for (int i = 0; i < 4; ++i)
        expected << panel::controlKey("quale_porta", i);
    for (int i = 0; i < 8; ++i)
        expected << panel::controlKey("onoff", i);

    QStringList seen;
    QWidget* w = form.esci();
    for (int step = 0; step < 500 && seen.size() < expected.size(); ++step, w = w->nextInFocusChain()) {
        if (expected.contains(w->objectName()) && !seen.contains(w->objectName()))
            seen << w->objectName();
    }
    EXPECT_EQ(seen, expected);

    for (QPushButton* button : form.findChildren<QPushButton*>()) {
        EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
        EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    }
}
