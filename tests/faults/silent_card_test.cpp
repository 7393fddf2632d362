// Someone running the panel from a terminal is told on standard error when the
// card falls silent, answers again, goes away and comes back: one line each, as it
// happens, not one per poll.
#include "card_and_panel_processes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

namespace {

// Stops a process where it is, as a card that hangs would, until this goes.
class Frozen {
public:
    explicit Frozen(qint64 pid) : pid_(static_cast<pid_t>(pid)) { ::kill(pid_, SIGSTOP); }
    ~Frozen() { ::kill(pid_, SIGCONT); }

private:
    pid_t pid_;
};

} // namespace

TEST(SilentCard, EachChangeIsOneLineOnStandardError)
{
    QTemporaryDir dir;
    const QString link = dir.filePath("card");
    auto card = std::make_unique<VirtualCard>(QStringList{"--link", link, "--log", dir.filePath("frames1.log")});
    ASSERT_FALSE(card->device().isEmpty());
    PanelUnderTest panel(link);
    ASSERT_GE(waitForFrames(dir.filePath("frames1.log"), 3, 10000).size(), 3);

    {
        const Frozen hung(card->pid());
        runEventsFor(2500);  // two and a half seconds of silence: still one line
    }
    runEventsFor(800);
    card->kill();  // the device goes, with its link
    runEventsFor(2500);
    card = std::make_unique<VirtualCard>(QStringList{"--link", link, "--log", dir.filePath("frames2.log")});
    ASSERT_GE(waitForFrames(dir.filePath("frames2.log"), 3, 10000).size(), 3) << "polling did not resume";
    runEventsFor(300);
    endProcess(panel.process());

    QStringList told;
    for (const QString& line : QString::fromUtf8(panel.process().readAllStandardError()).split('\n')) {
        if (line.startsWith(QStringLiteral("pelmora: Com1 (%1): ").arg(link)))
            told << line.section(QStringLiteral("): "), 1);
    }
    ASSERT_EQ(told.size(), 4) << told.join('\n').toStdString();
    EXPECT_TRUE(told[0].startsWith("la scheda non risponde da 1 s")) << told[0].toStdString();
    EXPECT_TRUE(told[1].startsWith("la scheda risponde di nuovo")) << told[1].toStdString();
    EXPECT_TRUE(told[2].startsWith(QStringLiteral("il dispositivo è scomparso"))) << told[2].toStdString();
    EXPECT_TRUE(told[3].startsWith(QStringLiteral("il dispositivo è di nuovo presente"))) << told[3].toStdString();
}
