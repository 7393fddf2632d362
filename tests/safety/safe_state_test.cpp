// The safe state: each cause on time, once for each time it occurs, nothing switched back
// when it ends, and at a clean stop.
#include "guard_test_support.h"

#include "card_safety/safety_options.h"

#include <gtest/gtest.h>

using namespace card_safety;
using namespace std::chrono_literals;

namespace {

// Output 1 off, output 2 on (interlocked with 3, a second's wait), the others kept; and `cause`.
SafetySettings safeState(const char* cause, const char* after)
{
    SafetySettings settings;
    for (const auto& [key, value] : {std::pair{"output-1-safe", "off"}, {"output-2-safe", "on"}, {"interlock", "2,3"},
                                     {"interlock-wait", "1s"}, {cause, after}})
        EXPECT_EQ(readSafetyOption(key, value, settings), "");
    return settings;
}

} // namespace

TEST(SafeState, TheBrokerLostForItsTimeAppliesItOnceAndItsReturnSwitchesNothingBack)
{
    FakeClock clock;
    OutputGuard guard(safeState("safe-when-broker-lost", "30s"), clock);
    Told told(guard);
    guard.start(std::nullopt, false);
    clock.advance(1s);  // every output counts as off since start
    EXPECT_EQ(guard.request(out(1) | out(3) | out(5)), out(1) | out(3) | out(5));
    clock.advance(29s);
    EXPECT_EQ(guard.update(), out(5)) << "not reached since start: 1 off, 3 off for 2, 5 kept";
    EXPECT_EQ(guard.safeReason(), "the broker has been unreachable for 30s");
    clock.advance(1s);
    EXPECT_EQ(guard.update(), out(2) | out(5)) << "2 after the interlock's wait";
    guard.brokerUp();
    EXPECT_EQ(guard.request(out(1) | out(3)), out(1)) << "3 waits for 2";
    EXPECT_EQ(guard.safeReason(), "");
    clock.advance(10s);
    guard.brokerDown();
    guard.update();
    clock.advance(29s);
    guard.brokerDown();  // still down: the time runs from the first
    EXPECT_FALSE(guard.update());
    clock.advance(1s);
    EXPECT_EQ(guard.update(), 0) << "1 off, 3 off for 2";
    clock.advance(1s);
    EXPECT_EQ(guard.update(), out(2));
    guard.request(out(1));
    clock.advance(1h);
    EXPECT_FALSE(guard.update()) << "once while it lasts";
    guard.brokerUp();
    clock.advance(1h);
    EXPECT_FALSE(guard.update());
    EXPECT_EQ(guard.mask(), out(1)) << "nothing switched back";
    EXPECT_EQ(told.lines, (QStringList{"output 3 is off: it is interlocked with output 2, which goes on",
                                       "safe: the broker has been unreachable for 30s", "safe cleared",
                                       "output 3 is off: it is interlocked with output 2, which goes on",
                                       "safe: the broker has been unreachable for 30s", "safe cleared"}));
}

TEST(SafeState, HomeAssistantOfflineCountsOnlyWhenItDoesNotComeBackInTime)
{
    FakeClock clock;
    OutputGuard guard(safeState("safe-when-ha-offline", "2m"), clock);
    guard.start(std::nullopt, false);
    guard.request(out(1));
    guard.homeAssistant(false);
    clock.advance(119s);
    guard.homeAssistant(true);
    clock.advance(1h);
    EXPECT_FALSE(guard.update());
    guard.homeAssistant(false);
    clock.advance(2min);
    EXPECT_EQ(guard.update(), out(2));
    EXPECT_EQ(guard.safeReason(), "Home Assistant has been offline for 2m");
}

TEST(SafeState, HeartbeatsHoldOffSilenceAndItsNextOccurrenceAppliesItAgain)
{
    FakeClock clock;
    OutputGuard guard(safeState("safe-when-silent", "10m"), clock);
    Told told(guard);
    guard.start(std::nullopt, false);
    guard.request(out(1));
    for (int i = 0; i < 12; ++i) {
        clock.advance(9min);
        guard.heartbeat();
        EXPECT_FALSE(guard.update());
    }
    clock.advance(10min - 1ms);
    EXPECT_FALSE(guard.update());
    clock.advance(1ms);
    EXPECT_EQ(guard.update(), out(2));
    EXPECT_EQ(guard.safeReason(), "no command and no heartbeat for 10m");
    clock.advance(1h);
    EXPECT_FALSE(guard.update());
    guard.heartbeat();
    EXPECT_EQ(guard.safeReason(), "no command and no heartbeat for 10m") << "only a command ends it";
    clock.advance(10min);
    EXPECT_FALSE(guard.update()) << "applied again, to a mask it already made";
    EXPECT_EQ(told.lines.count("safe: no command and no heartbeat for 10m"), 2);
}

TEST(SafeState, AtACleanStopOnlyWhenAskedAndWithoutAnOnThatWouldWait)
{
    FakeClock clock;
    OutputGuard guard(safeState("safe-at-stop", "yes"), clock);
    guard.start(std::nullopt, false);
    guard.request(out(1) | out(3) | out(5));
    EXPECT_EQ(guard.stopMask(), out(5)) << "2 would wait for 3's OFF";
    EXPECT_EQ(guard.safeReason(), "the program is stopping");
    EXPECT_EQ(guard.nextEvent(), OutputGuard::Time::max());
    OutputGuard notAsked(safeState("safe-when-silent", "1h"), clock);
    notAsked.start(std::nullopt, false);
    EXPECT_FALSE(notAsked.stopMask());
}
