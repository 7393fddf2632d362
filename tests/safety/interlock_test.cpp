// Outputs of one group of an interlock never on together: the partner off first, the ON
// after the wait, and a storm of commands from two faces.
#include "guard_test_support.h"

#include "card_safety/safety_options.h"

#include <gtest/gtest.h>

#include <random>

using namespace card_safety;
using namespace std::chrono_literals;

namespace {

SafetySettings interlocked(const char* groups, const char* wait)
{
    SafetySettings settings;
    EXPECT_EQ(readSafetyOption("interlock", groups, settings), "");
    EXPECT_EQ(readSafetyOption("interlock-wait", wait, settings), "");
    return settings;
}

} // namespace

TEST(Interlock, APartnerGoesOffFirstAndTheOnFollowsAfterTheWait)
{
    FakeClock clock;
    OutputGuard guard(interlocked("3,4", "500ms"), clock);
    Told told(guard);
    guard.start(std::nullopt, false);
    clock.advance(1s);
    EXPECT_EQ(guard.request(out(3)), out(3));
    EXPECT_EQ(guard.request(out(3) | out(4), out(4)), 0) << "a click on output 4: output 3 off, 4 held";
    EXPECT_EQ(told.lines, QStringList{"output 3 is off: it is interlocked with output 4, which goes on"});
    EXPECT_EQ(guard.nextEvent(), clock.steadyNow() + 500ms);
    clock.advance(499ms);
    EXPECT_FALSE(guard.update());
    EXPECT_EQ(guard.request(out(8), out(8)), out(8)) << "another output's switch lets the held ON be";
    clock.advance(1ms);
    EXPECT_EQ(guard.update(), out(4) | out(8));

    EXPECT_EQ(guard.request(out(3) | out(8)), out(8));
    EXPECT_EQ(guard.request(out(8)), out(8)) << "an OFF cancels the held ON";
    clock.advance(1s);
    EXPECT_FALSE(guard.update());
    EXPECT_EQ(guard.nextEvent(), OutputGuard::Time::max());

    EXPECT_EQ(guard.request(out(3) | out(4)), out(3)) << "both asked, neither on: the lower-numbered";
    EXPECT_EQ(guard.request(out(3) | out(4)), 0) << "then the one newly asked";
    clock.advance(500ms);
    EXPECT_EQ(guard.update(), out(4));
}

TEST(Interlock, WithoutAWaitTheOnStillGoesInALaterMaskThanTheOff)
{
    FakeClock clock;
    OutputGuard guard(interlocked("1,2", "0"), clock);
    guard.start(std::nullopt, false);
    EXPECT_EQ(guard.request(out(1)), out(1));
    EXPECT_EQ(guard.request(out(2)), 0);
    EXPECT_EQ(guard.nextEvent(), clock.steadyNow());
    EXPECT_EQ(guard.update(), out(2)) << "at the next update, the clock unmoved";
    EXPECT_EQ(guard.request(out(1) | out(2), out(1)), 0);
    EXPECT_EQ(guard.update(), out(1));

    SafetySettings onAtStart = interlocked("1,2", "0");
    onAtStart.outputs[0].atStart = AtStart::On;
    OutputGuard restarted(onAtStart, clock);
    EXPECT_EQ(restarted.start(KeptOutputs{out(2), {}}, false), 0) << "the card may still hold 2 on";
    EXPECT_EQ(restarted.update(), out(1));
}

TEST(Interlock, NoMaskOfAStormFromTwoFacesHasTwoOfAGroupOnOrAnOnBeforeTheWait)
{
    const int groups[] = {out(1) | out(2), out(3) | out(4) | out(5)};
    for (const auto wait : {0ms, 200ms}) {
        FakeClock clock;
        OutputGuard guard(interlocked("1,2 3,4,5", wait == 0ms ? "0" : "200ms"), clock);
        std::array<OutputGuard::Time, kOutputCount> offAt;
        offAt.fill(clock.steadyNow());
        int sent = guard.start(std::nullopt, false);
        int groupOns = 0;
        // Each mask the card would be sent, checked against the one before it.
        const auto check = [&](int mask) {
            for (const int group : groups)
                ASSERT_LE(__builtin_popcount(unsigned(mask & group)), 1) << std::hex << mask;
            for (int channel = 0; channel < kOutputCount; ++channel) {
                const int bit = outputBit(channel);
                if ((sent & bit) && !(mask & bit))
                    offAt[size_t(channel)] = clock.steadyNow();
                if (!(mask & bit) || (sent & bit))
                    continue;
                for (const int group : groups) {
                    if (!(group & bit))
                        continue;
                    ++groupOns;
                    for (int partner = 0; partner < kOutputCount; ++partner) {
                        if ((group & ~bit & outputBit(partner)) == 0)
                            continue;
                        ASSERT_FALSE(sent & outputBit(partner)) << "an OFF goes in a mask before the ON";
                        ASSERT_GE(clock.steadyNow() - offAt[size_t(partner)], wait);
                    }
                }
            }
            sent = mask;
        };
        std::mt19937 random(7);
        for (int i = 0; i < 3000; ++i) {
            clock.advance(std::chrono::milliseconds(random() % 120));
            const int face = int(random() % 3);
            if (face == 0)
                check(guard.request(int(random() % 256)));  // a whole mask, as setOutputs sends
            else if (face == 1)
                check(guard.request(random() % 2 ? kAllOutputs : 0, outputBit(int(random() % 8))));  // one switch
            else if (const std::optional<int> due = guard.update())
                check(*due);
        }
        EXPECT_GT(groupOns, 300);
    }
}
