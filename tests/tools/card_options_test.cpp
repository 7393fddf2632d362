#include "card_options.h"
#include "manual_options.h"
#include "reply_maker.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

ParsedOptions parse(std::vector<std::string> args)
{
    return parseCardOptions(args);
}

TEST(CardOptions, DefaultsAnswerFixedValues)
{
    const ParsedOptions p = parse({});
    ASSERT_TRUE(p.error.empty());
    EXPECT_EQ(p.options.inputs, 0x00);
    EXPECT_EQ(p.options.analog1, 128);
    EXPECT_EQ(p.options.analog2, 64);
    EXPECT_EQ(p.options.replyDelayUs, 0u);
    EXPECT_EQ(p.options.floodHz, 0u);
    EXPECT_FALSE(p.options.seed.has_value());
}

TEST(CardOptions, ReadsDecimalAndHexNumbers)
{
    const ParsedOptions p = parse({"--inputs", "0xA5", "--analog1", "255", "--analog2", "0X0f",
                                   "--reply-delay-us", "2500", "--flood", "50", "--seed", "42"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.inputs, 0xA5);
    EXPECT_EQ(p.options.analog1, 255);
    EXPECT_EQ(p.options.analog2, 15);
    EXPECT_EQ(p.options.replyDelayUs, 2500u);
    EXPECT_EQ(p.options.floodHz, 50u);
    EXPECT_EQ(p.options.seed, 42u);
}

TEST(CardOptions, RejectsBadValues)
{
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{"--inputs", "256"}, "--inputs: '256' is not a number from 0 to 255"},
        {{"--inputs", "-1"}, "--inputs: '-1' is not a number from 0 to 255"},
        {{"--analog1", "12abc"}, "--analog1: '12abc' is not a number from 0 to 255"},
        {{"--analog2", "0x"}, "--analog2: '0x' is not a number from 0 to 255"},
        {{"--analog1"}, "--analog1 needs a value"},
        {{"--flood", "0"}, "--flood needs a rate of at least 1 Hz"},
        {{"--log"}, "--log needs a value"},
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--inputs", ""}, "--inputs: '' is not a number from 0 to 255"},
        {{"--loop"}, "--loop goes with --replay"},
        {{"--replay", "r.csv", "--sweep"}, "--replay answers what was recorded: it does not go with --sweep"},
        {{"--replay"}, "--replay needs a value"},
    };
    for (const auto& [args, said] : refusals) {
        const std::string error = parse(args).error;
        EXPECT_NE(error.find(said), std::string::npos) << error;
    }
}

TEST(CardOptions, FlagsAndPaths)
{
    const ParsedOptions p = parse({"--follow-outputs", "--sweep", "--garbage", "--log", "-", "--link", "/tmp/x"});
    ASSERT_TRUE(p.error.empty());
    EXPECT_TRUE(p.options.followOutputs && p.options.sweep && p.options.garbage);
    EXPECT_EQ(p.options.logPath, "-");
    EXPECT_EQ(p.options.linkPath, "/tmp/x");
    EXPECT_TRUE(parse({"--help"}).showHelp);
}

TEST(CardOptions, TheManualPageListsEveryOption)
{
    expectManualListsOptions(VIRTUAL_CARD_MANUAL, cardUsage("pelmora-virtual-card"), 14);
}

TEST(ReplyMaker, FollowingOutputsLightsInputNForOutputN)
{
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(inputsFollowing(static_cast<std::uint8_t>(0x80 >> n)), 1 << n) << n;
    EXPECT_EQ(inputsFollowing(0xC1), 0x83);
}

TEST(ReplyMaker, SweepIsATriangleOverTenSeconds)
{
    EXPECT_EQ(sweepValue(0), 0);
    EXPECT_EQ(sweepValue(kSweepPeriodUs / 2), 255);
    EXPECT_EQ(sweepValue(kSweepPeriodUs), 0);
    EXPECT_NEAR(sweepValue(kSweepPeriodUs / 4), 128, 1);
    EXPECT_EQ(sweepValue(kSweepPeriodUs / 4), sweepValue(3 * kSweepPeriodUs / 4));
    int previous = -1;
    for (std::int64_t t = 0; t <= kSweepPeriodUs / 2; t += 100'000) {
        EXPECT_GE(sweepValue(t), previous);
        previous = sweepValue(t);
    }
}

TEST(ReplyMaker, SweepChannelsInOppositePhase)
{
    CardOptions o;
    o.sweep = true;
    o.inputs = 0x3C;
    const ReplyMaker maker(o, 1, 1'000'000);
    const auto f = maker.frame(0, 1'000'000 + 2'000'000);
    EXPECT_EQ(f[0], 0x3C);
    EXPECT_EQ(f[1], sweepValue(2'000'000));
    EXPECT_EQ(f[1] + f[2], 255);
}

TEST(ReplyMaker, GarbageIsShortAndReproducible)
{
    CardOptions o;
    o.garbage = true;
    ReplyMaker a(o, 7, 0), b(o, 7, 0);
    bool sawOtherThanThree = false;
    for (int i = 0; i < 50; ++i) {
        const auto bytes = a.answer(0x01, 0);
        EXPECT_LE(bytes.size(), 8u);
        EXPECT_EQ(bytes, b.answer(0x01, 0));
        sawOtherThanThree = sawOtherThanThree || bytes.size() != 3;
    }
    EXPECT_TRUE(sawOtherThanThree);
}

} // namespace
