// pelmorad keeping the card safe on the virtual card: a timed output that ends on time and
// is lengthened by a second ON, also across a crash; an interlocked pair under commands from
// two clients at once; the safe state when every client falls silent, held off by
// heartbeats; the safe state at a clean stop; and the settings it refuses.
#include "service_process.h"

#include "card_and_panel_processes.h"
#include "ctl_run.h"
#include "private_bus.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <time.h>

namespace {

qint64 monotonicMicros()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// A card, logged, and the service holding it as "tank" with `more` settings.
struct Guarded {
    explicit Guarded(const QStringList& more)
        : card({"--link", folder.filePath("card"), "--log", folder.filePath("frames")})
    {
        start(more);
    }
    void start(const QStringList& more)
    {
        service = std::make_unique<ServiceProcess>(QStringList{folder.filePath("card"), "--name", "tank"} + more,
                                                   folder.filePath("state"));
    }
    bool answering()
    {
        for (int waited = 0; waited < 5000; waited += 100, runEventsFor(100)) {
            if (runCtl({"get"}).out.contains("connected=yes"))
                return true;
        }
        return false;
    }
    QList<LoggedFrame> frames() { return readFrameLog(folder.filePath("frames")); }
    // When the card was first sent a request with `bit` off, after `since`; -1 if never.
    qint64 firstWithout(int bit, qint64 since)
    {
        for (const LoggedFrame& frame : frames()) {
            if (frame.micros > since && !(frame.mask & bit))
                return frame.micros;
        }
        return -1;
    }

    QTemporaryDir folder;
    VirtualCard card;
    std::unique_ptr<ServiceProcess> service;
};

} // namespace

TEST(ServiceSafety, ATimedOutputGoesOffOnTimeAfterItsLastOnAlsoAcrossACrash)
{
    START_PRIVATE_BUS(bus);
    const QStringList settings{"--output-2-max-on", "1500ms", "--output-2-at-start", "restore"};
    Guarded tank(settings);
    ASSERT_TRUE(tank.answering()) << tank.service->said().toStdString();
    ASSERT_EQ(runCtl({"set", "2", "on"}).status, 0);
    runEventsFor(700);
    const qint64 again = monotonicMicros();
    ASSERT_EQ(runCtl({"set", "2", "on"}).status, 0);  // a keep-alive: its time starts again
    EXPECT_TRUE(runCtl({"get"}).out.contains(" output2_off_in=2")) << runCtl({"get"}).out.toStdString();
    runEventsFor(2200);
    const qint64 off = tank.firstWithout(0x40, again);
    ASSERT_GT(off, 0);
    // From its deadline to the card's request: within a poll, and the time pelmora-ctl takes to start.
    EXPECT_GE(off - again, 1500000 - 50000);
    EXPECT_LE(off - again, 1500000 + 400000);

    // Killed in the middle of a timed ON, and started again: on as it was, off at its first deadline.
    runEventsFor(1100);  // a quiet second: the file is written at the next change
    ASSERT_EQ(runCtl({"set", "2", "on"}).status, 0);
    const qint64 on = monotonicMicros();
    runEventsFor(300);
    ::kill(tank.service->pid(), SIGKILL);
    tank.service->process().waitForFinished(1000);
    const qsizetype before = tank.frames().size();
    tank.start(settings);
    ASSERT_TRUE(tank.answering());
    ASSERT_GT(tank.frames().size(), before);
    EXPECT_EQ(tank.frames().at(before).mask, 0x40) << "restored on";
    runEventsFor(1500);
    const qint64 restoredOff = tank.firstWithout(0x40, tank.frames().at(before).micros);
    ASSERT_GT(restoredOff, 0);
    EXPECT_LE(restoredOff - on, 1500000 + 450000) << "at its first deadline, not a new one";

    // Started again after its deadline: not switched on again.
    tank.service.reset();
    const qsizetype stopped = tank.frames().size();
    tank.start(settings);
    ASSERT_TRUE(tank.answering());
    EXPECT_EQ(tank.frames().at(stopped).mask & 0x40, 0);
}

TEST(ServiceSafety, NoRequestHasBothOutputsOfAnInterlockOnWhateverTwoClientsAsk)
{
    START_PRIVATE_BUS(bus);
    Guarded motor({"--interlock", "3,4", "--interlock-wait", "200ms"});
    ASSERT_TRUE(motor.answering()) << motor.service->said().toStdString();
    QProcess left, right;
    const QString loop = QStringLiteral("for i in $(seq 15); do %1 set %2 on; done");
    left.start("sh", {"-c", loop.arg(kCtl, "3")});
    right.start("sh", {"-c", loop.arg(kCtl, "4")});
    ASSERT_TRUE(left.waitForFinished(30000) && right.waitForFinished(30000));
    runEventsFor(400);
    int bothOn = 0, threeOn = 0, fourOn = 0;
    for (const LoggedFrame& frame : motor.frames()) {
        bothOn += (frame.mask & 0x30) == 0x30;
        threeOn += (frame.mask & 0x30) == 0x20;
        fourOn += (frame.mask & 0x30) == 0x10;
    }
    EXPECT_EQ(bothOn, 0);
    EXPECT_GT(threeOn + fourOn, 0) << "one of them was on at some time";
    // An ON only once its partner has been off for the wait.
    qint64 wentOff[2] = {0, 0};
    bool was[2] = {false, false};
    for (const LoggedFrame& frame : motor.frames()) {
        const bool on[2] = {(frame.mask & 0x20) != 0, (frame.mask & 0x10) != 0};
        for (int i = 0; i < 2; ++i) {
            if (on[i] && !was[i] && wentOff[1 - i] > 0) {
                EXPECT_GE(frame.micros - wentOff[1 - i], 190000) << "output " << 3 + i;
            }
        }
        for (int i = 0; i < 2; ++i) {
            if (!on[i] && was[i])
                wentOff[i] = frame.micros;
            was[i] = on[i];
        }
    }
}

TEST(ServiceSafety, SilenceBringsTheSafeStateHeartbeatsHoldItOffAndAStopSendsIt)
{
    START_PRIVATE_BUS(bus);
    Guarded heater({"--safe-when-silent", "1s", "--output-1-safe", "off", "--output-8-safe", "on", "--safe-at-stop",
                    "yes"});
    ASSERT_TRUE(heater.answering()) << heater.service->said().toStdString();
    ASSERT_EQ(runCtl({"set", "1", "on"}).status, 0);
    const qint64 on = monotonicMicros();
    for (int i = 0; i < 6; ++i) {
        runEventsFor(300);
        ASSERT_EQ(runCtl({"heartbeat"}).status, 0);
    }
    EXPECT_EQ(heater.firstWithout(0x80, on), -1) << "held off by the heartbeats";
    const qint64 last = monotonicMicros();
    ASSERT_TRUE(heater.service->waitToSay("the safe state is put on the card: no command and no heartbeat for 1s", 2500))
        << heater.service->said().toStdString();
    runEventsFor(300);  // said as it is decided: the request follows, and the card logs it
    const qint64 off = heater.firstWithout(0x80, last);
    ASSERT_GT(off, 0);
    EXPECT_LE(off - last, 1000000 + 400000);
    EXPECT_EQ(heater.frames().last().mask, 0x01) << "output 8 on, as its safe state says";
    EXPECT_TRUE(runCtl({"get"}).out.contains("connected=yes"));

    // A command ends it, and a clean stop puts it on the card again, waiting for the reply.
    ASSERT_EQ(runCtl({"mask", "0x80"}).status, 0);
    runEventsFor(200);
    EXPECT_EQ(heater.service->stop(2000), 0);
    EXPECT_EQ(heater.frames().last().mask, 0x01);
    EXPECT_TRUE(heater.service->said().contains("stopping: the safe state 0x01 was sent to the card"));
}

TEST(ServiceSafety, RefusesSettingsThatCannotHoldSayingWhere)
{
    QTemporaryDir folder;
    const QString config = folder.filePath("tank.conf");
    const struct {
        const char* line;
        const char* said;
    } refusals[] = {
        {"output-9-max-on = 5m", "tank.conf:2: there is no output 9"},
        {"output-2-max-on = 10x", "tank.conf:2: '10x' is not a duration"},
        {"output-2-max-on = 0s", "tank.conf:2:"},
        {"interlock = 1,2 2,3", "tank.conf:2: output 2 is in two groups"},
        {"interlock = 3,4\noutput-3-at-start = on\noutput-4-at-start = on", "tank.conf:"},
        {"interlock = 3,4\noutput-3-safe = on\noutput-4-safe = on", "tank.conf:"},
    };
    for (const auto& refusal : refusals) {
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("device = /dev/null\n") + refusal.line + "\n");
        file.close();
        ServiceProcess service({"--config", config}, folder.filePath("state"));
        ASSERT_TRUE(service.process().waitForFinished(3000));
        EXPECT_EQ(service.process().exitCode(), 2) << refusal.line;
        EXPECT_TRUE(service.said().contains(refusal.said)) << service.said().toStdString();
    }
    // Without a broker, a broker's loss is only a warning.
    ServiceProcess warned({"/dev/null", "--safe-when-broker-lost", "10s"}, folder.filePath("state"));
    EXPECT_TRUE(warned.waitToSay("safe-when-broker-lost is let be: no broker is named", 3000));
}
