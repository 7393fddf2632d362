#include "panel/form1.h"
#include "fake_serial_port.h"
#include "panel_test_support.h"
#include "platform/process/stop_signals.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <gtest/gtest.h>

#include <csignal>

using panel::Form1;

TEST(Form1Lifecycle, LoadCentresBlackensAndOpensComOne)
{
    FakeSerialPort port;
    Form1 form(&port);
    form.Form_Load();
    form.show();
    EXPECT_EQ(form.centralWidget()->size(), QSize(751, 386));
    // Within the frame's few pixels: its size is known only once the window is shown.
    const QRect screen = form.screen()->geometry();
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - screen.center().x()), 3);
    EXPECT_LE(std::abs(form.frameGeometry().center().y() - screen.center().y()), 3);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form.led_out(i)->palette().color(QPalette::Window), QColor(Qt::black));
    EXPECT_EQ(port.opened, std::vector<int>{1});
    EXPECT_TRUE(form.Timer1().isActive());
}

TEST(Form1Lifecycle, CloseIsRefusedAndPollingGoesOn)
{
    FakeSerialPort port;
    Form1 form(&port);
    form.Form_Load();
    form.show();
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    runEventsFor(350);
    EXPECT_GE(port.written.size(), 3);
}

TEST(Form1Lifecycle, EsciAndMenuEndTheProgramWithNothingSent)
{
    for (int way = 0; way < 2; ++way) {
        FakeSerialPort port;
        Form1 form(&port);
        form.Form_Load();
        form.show();
        QTimer::singleShot(0, [&] {
            if (way == 0)
                form.esci()->click();
            else
                form.menuEsci()->trigger();
        });
        QTimer giveUp;  // scoped, so it cannot end a later test's event loop
        giveUp.setSingleShot(true);
        QObject::connect(&giveUp, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        giveUp.start(3000);
        EXPECT_EQ(QCoreApplication::exec(), 0) << "way " << way;
        const auto sent = port.written.size();
        form.onoff(0)->click();
        EXPECT_EQ(port.written.size(), sent) << "nothing is sent once the program is ending";
    }
}

TEST(Form1Lifecycle, StopSignalDuringTheErrorBoxEndsWithNoOtherPortTried)
{
    // Start-up finds Com1 and Com2 missing; SIGTERM comes while the first box is open.
    FakeSerialPort port;
    port.missing = {1, 2};
    Form1 form(&port);
    platform::StopSignals stopSignals;
    ASSERT_TRUE(stopSignals.active());
    QObject::connect(&stopSignals, &platform::StopSignals::stopRequested, &form, &Form1::endProgram);
    int boxes = 0;
    QTimer watch;  // counts the boxes, and sends the signal 100 ms into the first
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box->property("counted").isNull()) {
            box->setProperty("counted", true);
            if (++boxes == 1)
                QTimer::singleShot(100, [] { ::raise(SIGTERM); });
        }
    });
    QTimer giveUp;  // answers a box that the signal failed to close
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Ok)->click();
    });
    giveUp.start(3000);
    watch.start(10);
    form.Form_Load();

    EXPECT_TRUE(form.ending());
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(port.number, 1) << "the fallback port was tried";
    EXPECT_FALSE(form.Timer1().isActive());
    // Event loops run again for whatever follows in this program.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

TEST(Form1PortChoice, MissingPortShowsOneBoxAndFallsBackToComOne)
{
    FakeSerialPort port;
    Form1 form(&port);
    form.Form_Load();
    port.missing = {3};
    MessageBoxAnswerer answerer;
    form.quale_porta(2)->click();
    ASSERT_EQ(answerer.count(), 1);
    EXPECT_EQ(answerer.titles[0], "ERRORE");
    EXPECT_EQ(answerer.texts[0], QString::fromUtf8("Porta inesistente o già utilizzata da un'altra periferica"));
    EXPECT_EQ(answerer.icons[0], QMessageBox::NoIcon);
    EXPECT_EQ(answerer.buttons[0], 1);
    EXPECT_TRUE(form.quale_porta(0)->isChecked());
    EXPECT_EQ(port.number, 1);
    EXPECT_TRUE(port.open);
    EXPECT_TRUE(form.Timer1().isActive());
}

TEST(Form1PortChoice, StartupWithoutComOneOpensComTwo)
{
    FakeSerialPort port;
    port.missing = {1};
    Form1 form(&port);
    MessageBoxAnswerer answerer;
    form.Form_Load();
    EXPECT_EQ(answerer.count(), 1);
    EXPECT_TRUE(form.quale_porta(1)->isChecked());
    EXPECT_EQ(port.opened, std::vector<int>{2});
    EXPECT_TRUE(form.Timer1().isActive());
}

TEST(Form1PortChoice, NoUsablePortEndsAfterTwoBoxesAndStaysUsable)
{
    FakeSerialPort port;
    port.missing = {1, 2, 3};
    Form1 form(&port);
    MessageBoxAnswerer answerer;
    form.Form_Load();
    EXPECT_EQ(answerer.count(), 2);
    EXPECT_FALSE(port.open);
    EXPECT_FALSE(form.Timer1().isActive());
    form.onoff(0)->click();
    EXPECT_TRUE(port.written.isEmpty()) << "no exchange on a closed port";

    form.quale_porta(3)->click();
    EXPECT_EQ(answerer.count(), 2);
    EXPECT_EQ(port.number, 4);
    EXPECT_TRUE(form.Timer1().isActive());
}
