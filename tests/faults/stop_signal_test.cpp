// SIGTERM (a logout, `kill`), SIGINT (Ctrl-C) and SIGHUP (its terminal closed) end
// the pelmora program as Esci does: at once, with the port closed, so that its lock
// file is gone and the device opens at once for the next program, whoever runs it.
#include "card_and_panel_processes.h"
#include "card_link/port_refusal.h"
#include "unprivileged_probe.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

sigset_t stopSet()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kStopSignals)
        sigaddset(&set, signal);
    return set;
}

// Starts the program on a virtual card, waits until it polls, sends `signal`, and
// checks that it ends within a second with its lock file gone. The card stays, with
// its device open to every user. `blockedByParent`: the program starts with the stop
// signals blocked, as some launchers leave them.
void expectCleanEnd(int signal, VirtualCard& card, const QString& log, bool blockedByParent = false)
{
    ASSERT_FALSE(card.device().isEmpty());
    ASSERT_EQ(::chmod(card.device().toLocal8Bit().constData(), 0666), 0);
    const QString lockFile = card_link::lockFileFor(card.device());
    const sigset_t stops = stopSet();
    sigset_t before;
    ::pthread_sigmask(blockedByParent ? SIG_BLOCK : SIG_UNBLOCK, &stops, &before);
    PanelUnderTest panel(card.device());
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ASSERT_GE(waitForFrames(log, 2, 10000).size(), 2) << "the program never polled the card";
    ASSERT_TRUE(QFileInfo::exists(lockFile)) << "no lock file while the port is open: " << lockFile.toStdString();

    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(::kill(static_cast<pid_t>(panel.pid()), signal), 0);
    ASSERT_TRUE(panel.process().waitForFinished(5000)) << "still running 5 s after the signal";
    EXPECT_LT(clock.elapsed(), 1000) << "took " << clock.elapsed() << " ms to end";
    EXPECT_EQ(panel.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.process().exitCode(), 0) << panel.process().readAllStandardError().constData();
    EXPECT_FALSE(QFileInfo::exists(lockFile)) << lockFile.toStdString() << " left behind";
}

} // namespace

TEST(StopSignal, EndsTheProgramWithinASecondAndTheDeviceOpensAtOnce)
{
    struct Case {
        int signal;
        bool blockedByParent;
    };
    for (const Case& stop : {Case{SIGTERM, false}, Case{SIGINT, false}, Case{SIGHUP, false}, Case{SIGTERM, true}}) {
        SCOPED_TRACE(strsignal(stop.signal) + std::string(stop.blockedByParent ? ", blocked by the parent" : ""));
        QTemporaryDir dir;
        const QString log = dir.filePath("frames.log");
        VirtualCard card({"--log", log});
        expectCleanEnd(stop.signal, card, log, stop.blockedByParent);
        if (HasFatalFailure())
            return;
        // The next program on the same device, at once: no lock file and no exclusive use in its way.
        QSerialPort next(card.device());
        EXPECT_TRUE(next.open(QIODevice::ReadWrite)) << next.errorString().toStdString();
    }
}

TEST(StopSignal, AnotherUserOpensTheDeviceAtOnce)
{
    UnprivilegedProbe probe;
    if (!probe.asAnotherUser())
        GTEST_SKIP() << "needs root: runs the window as another user (nobody) after the signal";
    if (!probe.unavailable().isEmpty())
        GTEST_SKIP() << probe.unavailable().toStdString();
    for (int signal : kStopSignals) {
        SCOPED_TRACE(strsignal(signal));
        QTemporaryDir dir;
        const QString log = dir.filePath("frames.log");
        VirtualCard card({"--log", log});
        expectCleanEnd(signal, card, log);
        if (HasFatalFailure())
            return;
        const ProbeRun run = probe.run(card.device(), QStringLiteral("/dev/pelmora-no-such-device"), 300);
        EXPECT_TRUE(run.finished);
        EXPECT_TRUE(run.details.isEmpty()) << run.details.join('\n').toStdString();
        EXPECT_EQ(run.port, "1\t1") << run.standardError.toStdString();
    }
}
