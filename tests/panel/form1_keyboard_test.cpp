// The keyboard as a user meets it: where the focus starts, where Tab takes it, and what
// Space, Enter and Escape do.
#include "panel/form1.h"
#include "fake_serial_port.h"

#include <QApplication>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using panel::Form1;

namespace {
struct Form1Keyboard : ::testing::Test {
    FakeSerialPort port;
    Form1 form{&port};

    void SetUp() override
    {
        form.Form_Load();
        form.Timer1().stop();  // only key presses write to the port here
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }
    static std::string focused()
    {
        return QApplication::focusWidget() ? QApplication::focusWidget()->objectName().toStdString() : std::string();
    }
    static void press(int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); }
};
} // namespace

TEST_F(Form1Keyboard, OpensOnEsciWhereEnterAndEscapePressNothing)
{
    EXPECT_EQ(focused(), "esci");
    QStringList pressed;
    for (QAbstractButton* button : form.findChildren<QAbstractButton*>())
        QObject::connect(button, &QAbstractButton::clicked, [&pressed, button] { pressed << button->objectName(); });
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
        press(key);
    EXPECT_TRUE(pressed.isEmpty()) << pressed.join(' ').toStdString();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(focused(), "esci");
}

TEST_F(Form1Keyboard, TabGoesThroughThePortOptionsToTheFirstOutputAndSpaceActs)
{
    // The port options are one stop, at the selected one; the arrows choose among them.
    std::string seen;
    for (int i = 0; i < 2; ++i) {
        press(Qt::Key_Tab);
        seen += focused() + ' ';
    }
    EXPECT_EQ(seen, "quale_porta(0) onoff(0) ");
    press(Qt::Key_Space);
    EXPECT_EQ(form.stato_uscite(), 0x80);
    EXPECT_EQ(port.written.last(), QByteArray("**\x80#"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), "quale_porta(1)");
    EXPECT_TRUE(form.quale_porta(1)->isChecked());
    EXPECT_EQ(port.number, 2);
    press(Qt::Key_Space);
    EXPECT_TRUE(form.quale_porta(1)->isChecked());
    press(Qt::Key_Tab);
    EXPECT_EQ(focused(), "onoff(0)");
}

TEST_F(Form1Keyboard, AltFOpensTheFileMenuOnItsEsciItem)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
    QTest::qWait(20);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->activeAction(), form.menuEsci());
    QTest::keyClick(menu, Qt::Key_Escape);
}
