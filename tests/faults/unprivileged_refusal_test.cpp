// Ports refused to an ordinary user, the way a new user meets them: a device the
// user may not open, and one that another program holds for itself. The window
// runs in a separate process as an unprivileged user, since root may open anything.
#include "card_and_panel_processes.h"
#include "card_link/port_refusal.h"
#include "pseudo_terminal.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ProbeRun {
    QStringList details;     // the extra line of each "ERRORE" box
    QString port;            // "<number>\t<open>"
    QString standardError;
};

class AsOrdinaryUser : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            return;  // already an ordinary user
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::access("/usr/sbin/runuser", X_OK) != 0)
            GTEST_SKIP() << "no unprivileged user to run the window as";
        ASSERT_TRUE(home_.isValid());
        ASSERT_EQ(::chown(home_.path().toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid), 0);
    }

    // A device node anyone may open, for the card the window falls back to.
    static void open_to_all(const QString& device) { ::chmod(device.toLocal8Bit().constData(), 0666); }

    // A panel killed by an earlier test may have left its lock file for a device
    // of the same name; while the test holds the device, no one else can have it.
    static void remove_stale_lock(const QString& device)
    {
        QFile::remove(card_link::lock_file_for(device));
    }

    ProbeRun run_window(const QString& com1, const QString& com2)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PELMORA_COM1", com1);
        environment.insert("PELMORA_COM2", com2);
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("HOME", home_.path());
        environment.insert("XDG_RUNTIME_DIR", home_.path());
        environment.insert("PELMORA_REGISTRY", home_.filePath("registry.ini"));
        QProcess probe;
        probe.setProcessEnvironment(environment);
        const QString program = QStringLiteral(PELMORA_BIN_DIR "/refusal_probe");
        if (::geteuid() == 0)
            // runuser sets HOME to the user's own; env puts back the one made for the test.
            probe.start("/usr/sbin/runuser", {"-u", "nobody", "--", "env", "HOME=" + home_.path(), program, "600"});
        else
            probe.start(program, {"600"});
        EXPECT_TRUE(probe.waitForFinished(20000));
        ProbeRun run;
        run.standardError = QString::fromUtf8(probe.readAllStandardError());
        for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split('\n')) {
            if (line.startsWith("box\t"))
                run.details << line.mid(4);
            else if (line.startsWith("port\t"))
                run.port = line.mid(5);
        }
        return run;
    }

    QTemporaryDir home_;
    QTemporaryDir logs_;
};

} // namespace

TEST_F(AsOrdinaryUser, DeviceNotPermittedNamesTheGroupThenTheFallbackIsPolled)
{
    PseudoTerminal denied;
    remove_stale_lock(denied.slavePath());
    VirtualCard card({"--log", logs_.filePath("card.log")});
    ASSERT_FALSE(card.device().isEmpty());
    open_to_all(card.device());
    const group* dialout = ::getgrnam("dialout");
    const gid_t gid = dialout ? dialout->gr_gid : 20;
    ASSERT_EQ(::chown(denied.slavePath().toLocal8Bit().constData(), 0, gid), 0);
    ASSERT_EQ(::chmod(denied.slavePath().toLocal8Bit().constData(), 0660), 0);

    const ProbeRun run = run_window(denied.slavePath(), card.device());
    ASSERT_EQ(run.details.size(), 1) << run.standardError.toStdString();
    const QString& line = run.details.first();
    EXPECT_TRUE(line.startsWith(denied.slavePath() + ": accesso negato (")) << line.toStdString();
    EXPECT_TRUE(line.contains(QStringLiteral("al gruppo %1 ").arg(dialout ? "dialout" : "20"))) << line.toStdString();
    EXPECT_TRUE(line.contains("rientrare nella sessione")) << line.toStdString();
    EXPECT_TRUE(run.standardError.contains(line)) << "the same line goes to standard error";
    EXPECT_EQ(run.port, "2\t1");
    EXPECT_FALSE(read_frame_log(logs_.filePath("card.log")).isEmpty()) << "the fallback port was not polled";
}

TEST_F(AsOrdinaryUser, DeviceHeldExclusivelyByAnotherProgramSaysSo)
{
    PseudoTerminal held;
    open_to_all(held.slavePath());
    remove_stale_lock(held.slavePath());
    // What a terminal program does with the port it opens.
    const int holder = ::open(held.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);

    const ProbeRun run = run_window(held.slavePath(), "/dev/pelmora-no-such-device");
    ::close(holder);
    ASSERT_EQ(run.details.size(), 2) << run.standardError.toStdString();
    EXPECT_TRUE(run.details[0].startsWith(held.slavePath() + QStringLiteral(" è già in uso da parte di un altro programma")))
        << run.details[0].toStdString();
    EXPECT_TRUE(run.details[1].startsWith(QStringLiteral("/dev/pelmora-no-such-device non esiste")))
        << run.details[1].toStdString();
    EXPECT_EQ(run.port, "2\t0");
}
