// The guard without settings, outputs that go off on their own clock, and what a restart
// keeps of them.
#include "guard_test_support.h"

#include "card_safety/safety_options.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace card_safety;
using namespace std::chrono_literals;

TEST(OutputGuard, WithoutSettingsItChangesNothing)
{
    FakeClock clock;
    const KeptOutputs kept{0x81, {clock.wallNow() - 1min, {}, {}, {}, {}, {}, {}, clock.wallNow() + 1min}};
    EXPECT_EQ(OutputGuard(SafetySettings(), clock).start(kept, false), 0);
    EXPECT_EQ(OutputGuard(SafetySettings(), clock).start(std::nullopt, true), 0);
    OutputGuard guard(SafetySettings(), clock);
    Told told(guard);
    EXPECT_EQ(guard.start(kept, true), 0x81) << "restored as outputs-at-start restore does, deadlines or not";
    for (const int mask : {0xFF, 0x00, 0x5A, 0x81})
        EXPECT_EQ(guard.request(mask), mask);
    EXPECT_EQ(guard.request(0x00, out(1)), 0x01) << "a switch of one output leaves the others";
    guard.brokerDown();
    guard.homeAssistant(false);
    clock.advance(24h);
    EXPECT_EQ(guard.nextEvent(), OutputGuard::Time::max());
    EXPECT_FALSE(guard.update());
    EXPECT_FALSE(guard.stopMask());
    EXPECT_FALSE(guard.offIn(7));
    EXPECT_EQ(guard.kept().offAt, KeptOutputs().offAt);
    EXPECT_TRUE(told.lines.isEmpty()) << told.lines.join('\n').toStdString();
}

TEST(OutputGuard, ATimedOutputGoesOffAfterItsLastOnAndOnlyItsOwnOnLengthensIt)
{
    FakeClock clock;
    SafetySettings settings;
    settings.outputs[1].maxOn = 20min;
    OutputGuard guard(settings, clock);
    Told told(guard);
    ASSERT_EQ(guard.start(std::nullopt, false), 0);
    EXPECT_EQ(guard.request(out(2) | out(5)), out(2) | out(5));
    EXPECT_EQ(guard.offIn(1), 20min);
    EXPECT_FALSE(guard.offIn(4)) << "not timed";
    clock.advance(10min);
    EXPECT_EQ(guard.request(out(2) | out(5)), out(2) | out(5)) << "an ON while on: a keep-alive";
    EXPECT_EQ(guard.offIn(1), 20min);
    clock.advance(5min);
    EXPECT_EQ(guard.request(0, out(5)), out(2)) << "another output switched";
    EXPECT_EQ(guard.offIn(1), 15min) << "lengthens nothing";
    clock.advance(15min - 1ms);
    EXPECT_FALSE(guard.update());
    EXPECT_EQ(guard.nextEvent(), clock.steadyNow() + 1ms);
    clock.advance(1ms);
    EXPECT_EQ(guard.update(), 0);
    EXPECT_FALSE(guard.offIn(1));
    EXPECT_EQ(told.lines, QStringList{"output 2 is off: it was on for 20m, its longest"});
    EXPECT_EQ(guard.nextEvent(), OutputGuard::Time::max());
    EXPECT_EQ(told.deadlineChanges, 3);
    guard.request(out(2));
    guard.request(0);
    EXPECT_EQ(guard.nextEvent(), OutputGuard::Time::max()) << "an OFF ends the time";
}

TEST(OutputGuard, ARestartKeepsDeadlinesAndDoesNotSwitchOnWhatIsOverdue)
{
    FakeClock clock;
    SafetySettings settings;
    for (const auto& [key, value] : {std::pair{"output-2-max-on", "20m"}, {"output-1-max-on", "1h"},
                                     {"output-4-at-start", "on"}, {"output-4-max-on", "5m"}, {"interlock", "7,8"}})
        ASSERT_EQ(readSafetyOption(key, value, settings), "");
    OutputGuard before(settings, clock);
    ASSERT_EQ(before.start(std::nullopt, true), out(4));
    EXPECT_EQ(before.offIn(3), 5min) << "on at start, timed from then";
    before.request(out(1) | out(2) | out(3));
    clock.advance(5min);
    QString problem;
    const std::optional<KeptOutputs> kept = parseKeptOutputs(formatKeptOutputs(before.kept()), problem);
    ASSERT_TRUE(kept) << problem.toStdString();

    clock.advance(1min);  // the time the program was not running
    OutputGuard after(settings, clock);
    EXPECT_EQ(after.start(kept, true), out(1) | out(2) | out(3) | out(4));
    EXPECT_EQ(after.offIn(1), 14min) << "its deadline of the last run";
    EXPECT_EQ(after.offIn(0), 54min);
    clock.advance(14min);
    EXPECT_EQ(after.update(), out(1) | out(3)) << "4 on at start for its 5m, 2 at its kept deadline";

    clock.advance(60min);
    OutputGuard late(settings, clock);
    Told told(late);
    EXPECT_EQ(late.start(kept, true), out(3) | out(4)) << "overdue outputs stay off";
    const auto local = [](const char* utc) {
        return QDateTime::fromString(utc, Qt::ISODate).toLocalTime().toString("yyyy-MM-dd HH:mm:ss");
    };
    EXPECT_EQ(told.lines, (QStringList{"output 1 is not restored: it was due off at " + local("2026-12-10T15:00:00Z"),
                                       "output 2 is not restored: it was due off at " + local("2026-12-10T14:20:00Z")}));

    OutputGuard old(settings, clock);
    Told oldTold(old);
    // A file of a run without the interlock, and without deadlines.
    EXPECT_EQ(old.start(parseKeptOutputs("outputs=0x43\n", problem), true), out(2) | out(4));
    EXPECT_EQ(old.offIn(1), 20min) << "restored without a deadline: timed from now";
    EXPECT_EQ(oldTold.lines, (QStringList{"output 7 starts off: it would be on with another of its interlock",
                                          "output 8 starts off: it would be on with another of its interlock"}));
}
