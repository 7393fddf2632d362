// The window on a desktop with a window manager, which frames a window only once it is
// shown. The test starts its own X server and window manager; the application comes
// after them, since it connects to the display as it starts.
#include "panel/form1.h"
#include "desktop_session.h"
#include "fake_serial_port.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>

using panel::Form1;

TEST(Form1OnADesktop, OpensWithItsWholeFrameCentred)
{
    DesktopSession desktop;
    if (desktop.programMissing())
        GTEST_SKIP() << desktop.error().toStdString();
    ASSERT_TRUE(desktop.ready()) << desktop.error().toStdString();
    qputenv("DISPLAY", desktop.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "panel_desktop_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    FakeSerialPort port;
    Form1 form(&port);
    form.Form_Load();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // The frame arrives with the window manager's placement, and the window may move once
    // more after it: wait for it to settle centred, or for time to run out.
    const QPoint screenCentre = form.screen()->geometry().center();
    const auto framed = [&] { return form.frameGeometry().height() > form.geometry().height(); };
    const auto offset = [&] { return form.frameGeometry().center() - screenCentre; };
    const auto centred = [&] { return std::abs(offset().x()) <= 2 && std::abs(offset().y()) <= 2; };
    for (int waited = 0; waited < 3000 && !(framed() && centred()); waited += 50)
        QTest::qWait(50);

    ASSERT_TRUE(framed()) << "the window manager gave the window no title bar";
    EXPECT_TRUE(centred()) << "frame centre off the screen's by (" << offset().x() << ", " << offset().y() << ")";
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
