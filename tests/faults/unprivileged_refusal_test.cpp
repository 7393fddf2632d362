// Ports refused to an ordinary user, the way a new user meets them: a device the
// user may not open, and one that another program holds for itself. The window
// runs in a separate process as an unprivileged user, since root may open anything.
#include "card_and_panel_processes.h"
#include "card_link/port_refusal.h"
#include "pseudo_terminal.h"
#include "unprivileged_probe.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class AsOrdinaryUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!probe_.unavailable().isEmpty())
            GTEST_SKIP() << probe_.unavailable().toStdString();
    }

    // A device node anyone may open, for the card the window falls back to.
    static void openToAll(const QString& device) { ::chmod(device.toLocal8Bit().constData(), 0666); }

    // A panel killed by an earlier test may have left its lock file for a device
    // of the same name; while the test holds the device, no one else can have it.
    static void removeStaleLock(const QString& device)
    {
        QFile::remove(card_link::lockFileFor(device));
    }

    UnprivilegedProbe probe_;
    QTemporaryDir logs_;
};

} // namespace

TEST_F(AsOrdinaryUser, DeviceNotPermittedNamesTheGroupThenTheFallbackIsPolled)
{
    if (!probe_.asAnotherUser())
        GTEST_SKIP() << "needs root: gives a device to the group dialout and runs the window as another user";
    PseudoTerminal denied;
    removeStaleLock(denied.slavePath());
    VirtualCard card({"--log", logs_.filePath("card.log")});
    ASSERT_FALSE(card.device().isEmpty());
    openToAll(card.device());
    const group* dialout = ::getgrnam("dialout");
    const gid_t gid = dialout ? dialout->gr_gid : 20;
    ASSERT_EQ(::chown(denied.slavePath().toLocal8Bit().constData(), 0, gid), 0);
    ASSERT_EQ(::chmod(denied.slavePath().toLocal8Bit().constData(), 0660), 0);

    const ProbeRun run = probe_.run(denied.slavePath(), card.device());
    ASSERT_EQ(run.details.size(), 1) << run.standardError.toStdString();
    const QString& line = run.details.first();
    EXPECT_TRUE(line.startsWith(denied.slavePath() + ": accesso negato (")) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("al gruppo %1 ").arg(dialout ? "dialout" : "20"))) << line.toStdString();
    EXPECT_TRUE(line.contains("rientrare nella sessione")) << line.toStdString();
    EXPECT_TRUE(run.standardError.contains(line)) << "the same line goes to standard error";
    EXPECT_EQ(run.port, "2\t1");
    EXPECT_FALSE(readFrameLog(logs_.filePath("card.log")).isEmpty()) << "the fallback port was not polled";
}

TEST_F(AsOrdinaryUser, DeviceHeldExclusivelyByAnotherProgramSaysSo)
{
    PseudoTerminal held;
    openToAll(held.slavePath());
    removeStaleLock(held.slavePath());
    // What a terminal program does with the port it opens.
    const int holder = ::open(held.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);

    const ProbeRun run = probe_.run(held.slavePath(), "/dev/pelmora-no-such-device");
    ::close(holder);
    ASSERT_EQ(run.details.size(), 2) << run.standardError.toStdString();
    EXPECT_TRUE(run.details[0].startsWith(held.slavePath() + QStringLiteral(" è già in uso da parte di un altro programma")))
        << run.details[0].toStdString();
    EXPECT_TRUE(run.details[1].startsWith(QStringLiteral("/dev/pelmora-no-such-device non esiste")))
        << run.details[1].toStdString();
    EXPECT_EQ(run.port, "2\t0");
}
