// The card's device vanishes and comes back, several times, while the window polls it.
#include "card_and_panel_processes.h"
#include "event_loop_watch.h"
#include "panel/colours.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "scoped_environment.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <memory>

namespace {

std::array<int, 8> outputColours(const panel::Form1& form)
{
    std::array<int, 8> colours{};
    for (int i = 0; i < 8; ++i)
        colours[i] = panel::backColourOf(form.led_out(i));
    return colours;
}

} // namespace

TEST(DeviceReturn, PollingResumesWithTheSameOutputsEachTimeTheDeviceComesBack)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("ttyCard");
    auto card = std::make_unique<VirtualCard>(QStringList{"--link", link, "--log", dir.filePath("frames0.log")});
    ASSERT_FALSE(card->device().isEmpty());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", link.toLocal8Bit());

    panel::Form1 form;
    form.Form_Load();
    ASSERT_TRUE(form.MSComm1().portOpen());
    form.onoff(1)->click();
    form.onoff(6)->click();
    const int mask = form.stato_uscite();
    ASSERT_NE(mask, 0);
    const std::array<int, 8> colours = outputColours(form);
    runEventsFor(300);

    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        card->kill();  // the device and its link go away
        runEventsFor(300);
        EXPECT_FALSE(form.MSComm1().portOpen());
        EXPECT_FALSE(QFileInfo::exists(link));

        // Gone: the window retries once a second and does nothing else.
        EventLoopWatch watch;
        runEventsFor(1200);
        EXPECT_LT(watch.cpuShare(), 0.2);  // no busy loop; the figure itself is the benchmark's
        EXPECT_EQ(form.stato_uscite(), mask);
        EXPECT_EQ(outputColours(form), colours);

        const QString log = dir.filePath(QStringLiteral("frames%1.log").arg(round));
        card = std::make_unique<VirtualCard>(QStringList{"--link", link, "--log", log});
        ASSERT_FALSE(card->device().isEmpty());
        const QList<LoggedFrame> frames = waitForFrames(log, 3, 5000);
        ASSERT_GE(frames.size(), 3) << "polling did not resume";
        for (const LoggedFrame& frame : frames)
            EXPECT_EQ(frame.mask, mask);
        EXPECT_TRUE(form.MSComm1().portOpen());
        EXPECT_TRUE(form.Timer1().isActive());
        EXPECT_EQ(outputColours(form), colours);
    }
}
