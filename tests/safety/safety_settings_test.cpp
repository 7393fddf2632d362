// The safety keys read alone and together, durations, and the file kept across restarts.
#include "card_safety/kept_outputs.h"
#include "card_safety/safety_check.h"
#include "card_safety/safety_options.h"

#include <gtest/gtest.h>

using namespace card_safety;
using namespace std::chrono_literals;

namespace {

QString read(SafetySettings& settings, const char* key, const char* value)
{
    return readSafetyOption(QString::fromLatin1(key), QString::fromLatin1(value), settings);
}

} // namespace

TEST(SafetyOptions, EveryKeyIsReadIntoItsSetting)
{
    SafetySettings settings;
    EXPECT_FALSE(settings.configured());
    for (const auto& [key, value] : std::vector<std::pair<const char*, const char*>>{
             {"output-1-at-start", "On"}, {"output-8-at-start", "restore"}, {"output-2-max-on", "1.5s"},
             {"output-3-max-on", "2h"}, {"output-4-safe", "off"}, {"output-5-safe", "on"}, {"interlock", "1,2  3,4,5"},
             {"interlock-wait", "0"}, {"safe-when-broker-lost", "500ms"}, {"safe-when-ha-offline", "5m"},
             {"safe-when-silent", "10 s"}, {"safe-at-stop", "yes"}})
        EXPECT_EQ(read(settings, key, value), "") << key;
    EXPECT_EQ(settings.outputs[0].atStart, AtStart::On);
    EXPECT_EQ(settings.outputs[7].atStart, AtStart::Restore);
    EXPECT_EQ(settings.outputs[1].maxOn, 1500ms);
    EXPECT_EQ(settings.outputs[2].maxOn, 2h);
    EXPECT_EQ(settings.outputs[3].safe, SafeAction::Off);
    EXPECT_EQ(settings.outputs[4].safe, SafeAction::On);
    EXPECT_EQ(settings.interlocks, (std::vector<std::vector<int>>{{0, 1}, {2, 3, 4}}));
    EXPECT_EQ(settings.safeWhenBrokerLost, 500ms);
    EXPECT_EQ(settings.safeWhenHaOffline, 5min);
    EXPECT_EQ(settings.safeWhenSilent, 10s);
    EXPECT_TRUE(settings.safeAtStop);
    EXPECT_TRUE(settings.configured());
    EXPECT_EQ(durationText(2h), "2h");
    EXPECT_EQ(durationText(90s), "90s");
    EXPECT_EQ(durationText(1500ms), "1500ms");
}

TEST(SafetyOptions, WhatIsNotAnOutputOrADurationIsRefusedSayingWhy)
{
    EXPECT_TRUE(isSafetyKey("output-9-max-on")) << "reaches the reader, to be refused for its output";
    EXPECT_TRUE(isSafetyKey("safe-at-stop"));
    EXPECT_FALSE(isSafetyKey("output-N-safe"));
    EXPECT_FALSE(isSafetyKey("output-1-max-off"));
    const QString notADuration = "is not a duration: a number with ms, s, m or h (500ms, 10s, 5m, 2h)";
    for (const auto& [key, value, words] : std::vector<std::tuple<const char*, const char*, QString>>{
             {"output-9-max-on", "5m", "there is no output 9: outputs are 1 to 8"},
             {"output-0-safe", "off", "there is no output 0: outputs are 1 to 8"},
             {"output-1-max-on", "10x", "'10x' " + notADuration},
             {"output-1-max-on", "-1s", "'-1s' " + notADuration},
             {"output-1-max-on", "5", "'5' " + notADuration},
             {"safe-when-silent", "0s", "'0s' is not above 0"},
             {"safe-when-silent", "0.1ms", "'0.1ms' is shorter than a millisecond"},
             {"safe-when-broker-lost", "9000h", "'9000h' is longer than a year"},
             {"interlock-wait", "0.0s", ""},
             {"output-2-at-start", "keep", "'keep' is none of off, on and restore"},
             {"output-2-safe", "restore", "'restore' is none of off, on and keep"},
             {"interlock", "1,9", "there is no output 9: outputs are 1 to 8"},
             {"interlock", "1,1", "output 1 is twice in '1,1'"},
             {"interlock", "1,2 3", "'3' is one output: a group of an interlock has two or more (1,2 3,4)"},
             {"interlock", "1,,2", "'1,,2' is not a group of outputs: write them as 1,2 3,4"},
             {"safe-at-stop", "maybe", "'maybe' is neither yes nor no"}}) {
        SafetySettings settings;
        EXPECT_EQ(read(settings, key, value), words) << key << " = " << value;
    }
}

TEST(SafetyCheck, OutputsInTwoGroupsOrInterlockedAndBothOnAreRefusedAtTheirKey)
{
    SafetySettings settings;
    ASSERT_EQ(read(settings, "interlock", "1,2 3,4"), "");
    EXPECT_FALSE(checkSafety(settings));
    settings.outputs[0].atStart = settings.outputs[2].atStart = AtStart::On;  // different groups
    settings.outputs[1].safe = settings.outputs[3].safe = SafeAction::On;
    EXPECT_FALSE(checkSafety(settings));

    SafetySettings twice;
    ASSERT_EQ(read(twice, "interlock", "1,2 2,3"), "");
    const auto inTwo = checkSafety(twice);
    ASSERT_TRUE(inTwo);
    EXPECT_EQ(inTwo->key, "interlock");
    EXPECT_EQ(inTwo->words, "output 2 is in two groups of the interlock");

    settings.outputs[3].atStart = AtStart::On;
    auto conflict = checkSafety(settings);
    ASSERT_TRUE(conflict);
    EXPECT_EQ(conflict->key, "output-4-at-start");
    EXPECT_EQ(conflict->words, "outputs 3 and 4 are interlocked: they cannot both be on at start");
    settings.outputs[3].atStart = AtStart::Restore;  // settled at start, if it comes to that
    settings.outputs[0].safe = SafeAction::On;
    conflict = checkSafety(settings);
    ASSERT_TRUE(conflict);
    EXPECT_EQ(conflict->key, "output-2-safe");
    EXPECT_EQ(conflict->words, "outputs 1 and 2 are interlocked: the safe state cannot turn both on");
}

TEST(KeptOutputs, TheOldOneLineFileIsReadAndDeadlinesFollowTheMask)
{
    QString problem;
    const auto old = parseKeptOutputs("outputs=0x81\n", problem);
    ASSERT_TRUE(old) << problem.toStdString();
    EXPECT_EQ(old->mask, 0x81);
    EXPECT_EQ(old->offAt, KeptOutputs().offAt);
    EXPECT_EQ(formatKeptOutputs(*old), "outputs=0x81\n");

    KeptOutputs kept{0x24, {}};
    kept.offAt[2] = std::chrono::system_clock::time_point(1796911385250ms);
    const QByteArray text = formatKeptOutputs(kept);
    EXPECT_EQ(text, "outputs=0x24\noutput-3-off-at=2026-12-10T14:03:05.250Z\n");
    const auto back = parseKeptOutputs(text, problem);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->mask, 0x24);
    EXPECT_EQ(back->offAt, kept.offAt);

    for (const QByteArray& bad : {QByteArray(""), QByteArray("outputs=0x100\n"), QByteArray("\x01\x02garbage"),
                                 QByteArray("outputs=0x24\noutput-3-off-at=2026-12-10T14:03:05\n"),
                                 QByteArray("outputs=0x24\noutput-9-off-at=2026-12-10T14:03:05Z\n"),
                                 text + "output-3-off-at=2026-12-10T15:00:00.000Z\n"}) {
        problem.clear();
        EXPECT_FALSE(parseKeptOutputs(bad, problem)) << bad.toStdString();
        EXPECT_TRUE(problem.startsWith("line ")) << problem.toStdString();
    }
    parseKeptOutputs("\x01\x02garbage", problem);
    EXPECT_EQ(problem, "line 1 is not outputs=0xNN: ??garbage");
}
