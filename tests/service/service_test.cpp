// pelmorad on the virtual card and a private session bus: polled and driven through
// pelmora-ctl, its outputs kept across a restart, its device missing at start and lost
// while polled, and what it tells systemd.
#include "service_process.h"

#include "card_and_panel_processes.h"
#include "ctl_run.h"
#include "private_bus.h"

#include "card_link/port_refusal.h"

#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Until pelmora-ctl finds the card named `name` answering, for at most timeoutMs.
bool answering(const QString& name, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (runCtl({"--name", name, "get"}).out.contains("connected=yes"))
            return true;
        runEventsFor(100);
    }
    return false;
}

// The mask of the first request the card logged after the `before` it had logged.
int firstMaskAfter(const QString& log, qsizetype before)
{
    const QList<LoggedFrame> frames = readFrameLog(log);
    return frames.size() > before ? frames.at(before).mask : -1;
}

} // namespace

TEST(Service, PollsTheCardAndIsDrivenThroughTheBus)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir folder;
    VirtualCard card({"--follow-outputs", "--link", folder.filePath("card"), "--log", folder.filePath("frames")});
    ServiceProcess service({folder.filePath("card"), "--name", "tank"}, folder.filePath("state"));
    ASSERT_TRUE(answering("tank")) << service.said().toStdString();
    EXPECT_TRUE(service.said().contains("polling " + folder.filePath("card"))) << service.said().toStdString();

    const CtlRun list = runCtl({"list"});
    EXPECT_EQ(list.out, "name=tank device=" + folder.filePath("card")
                            + " port=Com1 program=pelmorad bus=session busname=io.github.pelmora.pelmorad.tank\n");
    const qsizetype before = readFrameLog(folder.filePath("frames")).size();
    ASSERT_EQ(runCtl({"set", "2", "on"}).status, 0);
    // The request went at once (a poll's request may still have been on its way, and be
    // logged first), and the card answers it.
    const QList<LoggedFrame> next = waitForFrames(folder.filePath("frames"), int(before) + 2, 1000).mid(before, 2);
    EXPECT_TRUE(std::any_of(next.begin(), next.end(), [](const LoggedFrame& frame) { return frame.mask == 0x40; }));
    EXPECT_EQ(runCtl({"wait", "input", "2", "on", "--timeout", "3"}).status, 0);
    EXPECT_TRUE(runCtl({"get"}).out.startsWith("outputs=0x40 inputs=0x02 ")) << runCtl({"get"}).out.toStdString();
}

TEST(Service, EndsOnASignalAndStartsWithTheOutputsOffOrAsTheyWere)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir folder;
    const QString device = folder.filePath("card");
    const QString log = folder.filePath("frames");
    VirtualCard card({"--link", device, "--log", log});
    const QString state = folder.filePath("state");
    auto service = std::make_unique<ServiceProcess>(QStringList{device, "--outputs-at-start", "restore"}, state);
    ASSERT_TRUE(answering("card"));
    ASSERT_EQ(runCtl({"mask", "0x81"}).status, 0);
    for (const int signal : {SIGTERM, SIGINT}) {
        ::kill(service->pid(), signal);
        ASSERT_TRUE(service->process().waitForFinished(1000)) << "ended within a second";
        EXPECT_EQ(service->process().exitCode(), 0);
        EXPECT_FALSE(QFileInfo::exists(card_link::lockFileFor(device)));
        const qsizetype before = readFrameLog(log).size();
        service = std::make_unique<ServiceProcess>(QStringList{device, "--outputs-at-start", "restore"}, state);
        ASSERT_TRUE(answering("card"));
        EXPECT_EQ(firstMaskAfter(log, before), 0x81) << "the outputs of the last run";
    }
    service.reset();
    qsizetype before = readFrameLog(log).size();
    service = std::make_unique<ServiceProcess>(QStringList{device}, state);
    ASSERT_TRUE(answering("card"));
    EXPECT_EQ(firstMaskAfter(log, before), 0) << "off, the default";
    service.reset();

    // A damaged file is said once and taken as off.
    QFile damaged(state + "/pelmora/card.state");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("\x01garbage");
    damaged.close();
    before = readFrameLog(log).size();
    ServiceProcess fresh({device, "--outputs-at-start", "restore"}, state);
    ASSERT_TRUE(answering("card"));
    EXPECT_EQ(firstMaskAfter(log, before), 0);
    EXPECT_EQ(fresh.said().count("does not hold the outputs"), 1) << fresh.said().toStdString();
}

TEST(Service, WaitsQuietlyForADeviceMissingAtStartAndPollsItWhenItAppears)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir folder;
    const QString device = folder.filePath("card");
    ServiceProcess service({device}, folder.filePath("state"));
    ASSERT_TRUE(service.waitToSay("does not exist")) << service.said().toStdString();
    const double cpuBefore = processCpuSeconds(service.pid());
    runEventsFor(3000);
    EXPECT_LT(processCpuSeconds(service.pid()) - cpuBefore, 0.03) << "under 1 % of a core";
    EXPECT_EQ(service.said().count("does not exist"), 1) << "said once a minute at most";
    EXPECT_EQ(runCtl({"set", "1", "on"}).status, 5);

    VirtualCard card({"--link", device, "--log", folder.filePath("frames")});
    EXPECT_FALSE(waitForFrames(folder.filePath("frames"), 1, 2000).isEmpty()) << "polled within 2 s";
}

TEST(Service, KeepsTheOutputsOfADeviceLostAndSendsThemWhenItIsBack)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir folder;
    const QString device = folder.filePath("card");
    auto card = std::make_unique<VirtualCard>(QStringList{"--link", device});
    ServiceProcess service({device, "--name", "pump"}, folder.filePath("state"));
    ASSERT_TRUE(answering("pump"));
    ASSERT_EQ(runCtl({"set", "8", "on"}).status, 0);
    card.reset();
    ASSERT_TRUE(service.waitToSay("the device went away")) << service.said().toStdString();
    EXPECT_EQ(runCtl({"set", "1", "on"}).status, 5) << "nothing is switched while it is gone";

    card = std::make_unique<VirtualCard>(QStringList{"--link", device, "--log", folder.filePath("frames")});
    const QList<LoggedFrame> frames = waitForFrames(folder.filePath("frames"), 1, 2500);
    ASSERT_FALSE(frames.isEmpty());
    EXPECT_EQ(frames.first().mask, 0x01);
    EXPECT_TRUE(runCtl({"get"}).out.startsWith("outputs=0x01 "));
}

TEST(Service, TellsSystemdItIsReadyAndWhatTheCardIsDoing)
{
    START_PRIVATE_BUS(bus);
    QTemporaryDir folder;
    const QString socketPath = folder.filePath("notify");
    const int listener = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", qPrintable(socketPath));
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    QProcessEnvironment notify;
    notify.insert("NOTIFY_SOCKET", socketPath);
    notify.insert("WATCHDOG_USEC", "400000");
    const QString device = folder.filePath("card");
    auto card = std::make_unique<VirtualCard>(QStringList{"--link", device});
    QElapsedTimer ran;
    ran.start();
    ServiceProcess service({device}, folder.filePath("state"), notify);
    ASSERT_TRUE(answering("card"));
    runEventsFor(600);
    card.reset();
    ASSERT_TRUE(service.waitToSay("went away"));
    runEventsFor(1200);  // a retry's time while the device is gone
    EXPECT_EQ(service.stop(), 0);
    const qint64 ranMs = ran.elapsed();

    QStringList heard;
    int watchdogs = 0, watchdogsWhileGone = 0;
    char datagram[4096];
    for (ssize_t n; (n = ::recv(listener, datagram, sizeof datagram, 0)) > 0;) {
        const QString said = QString::fromUtf8(datagram, n);
        if (said != "WATCHDOG=1") {
            heard << said;
            continue;
        }
        ++watchdogs;
        if (!heard.isEmpty() && heard.last().contains("went away"))
            ++watchdogsWhileGone;
    }
    ::close(listener);
    // At most every half period, never at every poll, and while the device is gone too;
    // the unit's watchdog is tested under systemd.
    EXPECT_GE(watchdogs, 3) << ranMs << " ms";
    EXPECT_LE(watchdogs, ranMs / 200) << ranMs << " ms";
    EXPECT_GE(watchdogsWhileGone, 1);
    ASSERT_GE(heard.size(), 3) << heard.join(" | ").toStdString();
    EXPECT_TRUE(heard[0].startsWith("READY=1\nSTATUS=polling " + device)) << heard[0].toStdString();
    EXPECT_TRUE(heard.contains("STATUS=" + device + " went away: trying again once a second"))
        << heard.join(" | ").toStdString();
    EXPECT_EQ(heard.last(), "STOPPING=1\nSTATUS=stopped: the card is no longer polled");
}
