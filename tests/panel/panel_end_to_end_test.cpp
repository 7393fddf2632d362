// The panel and the virtual card as separate processes, talking over a pseudo-terminal.
// Tests that pull the card give the panel the card's link, which goes with the card: the
// freed pseudo-terminal's own path may soon belong to another test's card, and the
// panel, retrying it, would poll that card.
#include "card_and_panel_processes.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "gauge_reading.h"

#include "card_link/port_refusal.h"

#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>


TEST(PanelEndToEnd, ProgramPollsTenTimesASecondWithAllOutputsOff)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    VirtualCard card({"--inputs", "0x05", "--log", log});
    ASSERT_FALSE(card.device().isEmpty());
    PanelUnderTest panel(card.device());
    runEventsFor(2600);
    ASSERT_EQ(panel.process().state(), QProcess::Running) << panel.process().readAllStandardError().constData();

    const QList<LoggedFrame> frames = readFrameLog(log);
    ASSERT_GE(frames.size(), 20);
    // Skip start-up; then ten evenly spaced requests a second, each "**" 00 "#".
    const QList<LoggedFrame> steady = frames.mid(3);
    for (const LoggedFrame& frame : steady)
        EXPECT_EQ(frame.mask, 0);
    const double meanMs = (steady.last().micros - steady.first().micros) / 1000.0 / (steady.size() - 1);
    EXPECT_NEAR(meanMs, 100.0, 10.0);
}

TEST(PanelEndToEnd, UnpluggedCardCostsThePanelNoCpu)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    const QString link = dir.filePath("card");
    auto card = std::make_unique<VirtualCard>(QStringList{"--follow-outputs", "--log", log, "--link", link});
    ASSERT_FALSE(card->device().isEmpty());
    PanelUnderTest panel(link);
    // Start-up costs CPU of its own: unplug only once polling is under way.
    ASSERT_GE(waitForFrames(log, 3, 10000).size(), 3);
    card->kill();
    runEventsFor(300);

    const qint64 pid = panel.pid();
    const double before = processCpuSeconds(pid);
    runEventsFor(2000);
    const double share = (processCpuSeconds(pid) - before) / 2.0;
    EXPECT_EQ(panel.process().state(), QProcess::Running);
    EXPECT_LT(share, 0.2);  // no busy loop
}

TEST(PanelEndToEnd, SigtermEndsTheProgramLikeEsciAndFreesThePort)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    VirtualCard card({"--log", log});
    ASSERT_FALSE(card.device().isEmpty());
    PanelUnderTest panel(card.device());
    ASSERT_GE(waitForFrames(log, 2, 10000).size(), 2);
    ASSERT_TRUE(QFileInfo::exists(card_link::lockFileFor(card.device()))) << "the open port has no lock file";

    panel.process().terminate();
    ASSERT_TRUE(panel.process().waitForFinished(5000));
    EXPECT_EQ(panel.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.process().exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(card_link::lockFileFor(card.device())));
}

TEST(PanelEndToEnd, WindowShowsTheCardsInputsAndVoltages)
{
    QLocale::setDefault(QLocale(QLocale::English));
    QTemporaryDir dir;
    const QString link = dir.filePath("card");
    VirtualCard card({"--inputs", "0x05", "--analog1", "51", "--analog2", "255", "--link", link});
    ASSERT_FALSE(card.device().isEmpty());
    qputenv("PELMORA_COM1", link.toLocal8Bit());
    panel::Form1 form;
    form.Form_Load();
    runEventsFor(400);

    EXPECT_EQ(gaugeReadout(form.v_meter1(0)->widget()), "1.00");
    EXPECT_EQ(gaugeReadout(form.v_meter1(1)->widget()), "5.00");
    const QImage lit = form.picLedOn()->pixmap().toImage();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form.led_ingresso(i)->pixmap().toImage() == lit, i == 0 || i == 2) << "input " << i;

    card.kill();  // pulled: the window keeps what it last showed
    runEventsFor(400);
    EXPECT_FALSE(form.MSComm1().portOpen());
    EXPECT_EQ(gaugeReadout(form.v_meter1(1)->widget()), "5.00");
    EXPECT_EQ(form.led_ingresso(2)->pixmap().toImage(), lit);
    qunsetenv("PELMORA_COM1");
    QLocale::setDefault(QLocale::system());
}
