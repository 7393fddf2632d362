// The tap's rows: what the recorder makes of the bytes passing; its options and names,
// the panel it starts and the files --record makes.
#include "card_link/port_device.h"
#include "dated_recording.h"
#include "device_name.h"
#include "manual_options.h"
#include "panel_program.h"
#include "recording_columns.h"
#include "tap_options.h"
#include "traffic_recorder.h"

#include <QDir>
#include <gtest/gtest.h>

#include <utility>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kGap = TrafficRecorder::kQuietGapUs;

Moment at(std::int64_t us) { return {1'700'000'000'000'000 + us, us}; }

std::vector<TapRow> record(TrafficRecorder& r, Direction d, const Bytes& bytes, std::int64_t us)
{
    return r.record(d, bytes.data(), bytes.size(), at(us));
}

TEST(TrafficRecorder, RequestAtOnceReplyWhenThePanelSendsAgainOrTheCardFallsQuiet)
{
    TrafficRecorder r;
    auto rows = record(r, Direction::PanelToCard, {0x2A, 0x2A, 0x81, 0x23}, 0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, RowKind::Request);
    EXPECT_EQ(rows[0].wallUs, at(0).wallUs);

    // The reply arrives in two pieces; nothing is settled while more may come.
    EXPECT_TRUE(record(r, Direction::CardToPanel, {0x05}, 1000).empty());
    EXPECT_TRUE(record(r, Direction::CardToPanel, {0x00, 0xFF}, 2000).empty());
    EXPECT_EQ(r.nextDeadline(), 2000 + kGap);
    EXPECT_TRUE(r.settleQuiet(2000 + kGap - 1).empty());
    rows = r.settleQuiet(2000 + kGap);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, RowKind::Reply);
    EXPECT_EQ(rows[0].bytes, (Bytes{0x05, 0x00, 0xFF}));
    EXPECT_EQ(rows[0].wallUs, at(1000).wallUs) << "a group is timed by its first byte";
    EXPECT_FALSE(r.nextDeadline());

    // The next request ends the card's group before it is recorded itself.
    record(r, Direction::CardToPanel, {1, 2, 3}, 100'000);
    rows = record(r, Direction::PanelToCard, {0x2A, 0x2A, 0x00, 0x23}, 101'000);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].kind, RowKind::Reply);
    EXPECT_EQ(rows[1].kind, RowKind::Request);
}

TEST(TrafficRecorder, EveryByteLandsInExactlyOneRow)
{
    TrafficRecorder r;
    std::vector<TapRow> rows;
    const auto add = [&](std::vector<TapRow> more) { rows.insert(rows.end(), more.begin(), more.end()); };
    const Bytes panel{0x55, 0x2A, 0x2A, 0x07, 0x23, 0x23, 0x2A, 0x2A};
    add(record(r, Direction::PanelToCard, panel, 0));
    add(record(r, Direction::CardToPanel, {9, 9, 9, 9}, 10));
    add(record(r, Direction::CardToPanel, Bytes(100, 0x11), 20));
    add(r.finish());

    Bytes fromPanel, fromCard;
    int requests = 0, replies = 0;
    for (const TapRow& row : rows) {
        Bytes& side = row.direction == Direction::PanelToCard ? fromPanel : fromCard;
        side.insert(side.end(), row.bytes.begin(), row.bytes.end());
        requests += row.kind == RowKind::Request;
        replies += row.kind == RowKind::Reply;
        if (row.kind == RowKind::Unframed) {
            EXPECT_LE(row.bytes.size(), TrafficRecorder::kLongestGroup);
        }
    }
    EXPECT_EQ(fromPanel, panel);
    EXPECT_EQ(fromCard.size(), 104u);
    EXPECT_EQ(requests, 1);
    EXPECT_EQ(replies, 0) << "four bytes, then a long run, are no reply";
}

TEST(TapOptions, ForwardingOrPlottingAndNothingBetween)
{
    ParsedTapOptions p = parseTapOptions({"--link", "/tmp/l", "--csv", "r.csv", "--append", "Com1"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.device, "Com1");
    EXPECT_EQ(p.options.linkPath, "/tmp/l");
    EXPECT_TRUE(p.options.append);
    p = parseTapOptions({"--plot", "r.csv", "--out", "r.png", "--size", "640x480", "--force"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 480);
    EXPECT_TRUE(p.options.force);
    const std::string plotAlone = "--plot draws a recording: it takes no device";
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{}, "no device given (Com1..Com4, a path, or a card on another machine"},
        {{"a", "b"}, "one device only ('a', then 'b')"},
        {{"--plot", "r.csv"}, "--plot needs --out FILE.png"},
        {{"--plot", "r.csv", "--out", "p.png", "Com1"}, plotAlone},
        {{"--out", "p.png", "Com1"}, "--out and --size go with --plot"},
        {{"--plot", "r.csv", "--out", "p.png", "--size", "640"}, "--size: '640' is not WIDTHxHEIGHT"},
        {{"--plot", "r.csv", "--out", "p.png", "--size", "9x9"}, "--size: '9x9' is not WIDTHxHEIGHT"},
        {{"--csv"}, "--csv needs a value"},
        {{"--bogus", "Com1"}, "unknown option '--bogus'"},
        {{"--csv=r.csv", "Com1"}, "unknown option '--csv=r.csv'"},
        {{"--", "Com1"}, "unknown option '--'"},
        {{"-hx"}, "unknown option '-hx'"},
        {{"--append", "Com1"}, "--append goes with --csv FILE"},
        {{"--force", "Com1"}, "--force goes with --csv FILE"},
        {{"--csv", "r.csv", "--append", "--force", "Com1"}, "give one of them"},
        {{"--plot", "r.csv", "--out", "p.png", "--append"}, "--append goes with --csv FILE"},
        {{"--record", "--csv", "r.csv", "Com1"}, "give --record or --csv FILE, not both"},
        {{"--record", "--force", "Com1"}, "--record always makes a new file"},
        {{"--window", "30", "Com1"}, "--window goes with --live"},
        {{"--live", "--window", "4", "Com1"}, "--window: '4' is not a whole number of seconds from 5 to 3600"},
        {{"--live", "--window", "1e3", "Com1"}, "--window: '1e3' is not a whole number"},
        {{"--plot", "r.csv", "--out", "p.png", "--panel"}, plotAlone},
        {{"--plot", "r.csv", "--out", "p.png", "--live"}, plotAlone},
    };
    for (const auto& [args, said] : refusals) {
        const std::string error = parseTapOptions(args).error;
        EXPECT_NE(error.find(said), std::string::npos) << error;
    }
    // The panel's own Com1 when it names no card.
    p = parseTapOptions({"--panel", "--record", "--live", "--window", "120"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.device, "Com1");
    EXPECT_TRUE(p.options.panel && p.options.record && p.options.live);
    EXPECT_EQ(p.options.windowSeconds, 120);
    EXPECT_EQ(parseTapOptions({"--live", "ttyUSB0"}).options.windowSeconds, 60);
    // A file's name is taken byte for byte, UTF-8 or not; a value may look like an option.
    p = parseTapOptions({"--csv", "r\xe9.csv", "--link", "--force", "Com1"});
    EXPECT_EQ(p.options.csvPath, "r\xe9.csv");
    EXPECT_EQ(p.options.linkPath, "--force");
}

TEST(PanelProgram, TheOneBesideTheTapFirstThenPath)
{
    const std::string root = testing::TempDir() + "panel_program_" + std::to_string(getpid());
    for (const char* folder : {"/own", "/first", "/second", "/empty"})
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(root + folder)));
    const auto program = [&](const std::string& path, mode_t mode) {
        std::ofstream(path) << "#!/bin/sh\n";
        ::chmod(path.c_str(), mode);
    };
    program(root + "/first/pelmora", 0644);  // not runnable: passed over
    program(root + "/second/pelmora", 0755);
    const std::string path = root + "/empty:" + root + "/first:" + root + "/second";
    std::string error;
    EXPECT_EQ(findPanelProgram(root + "/own", path, error), root + "/second/pelmora");
    program(root + "/own/pelmora", 0755);
    EXPECT_EQ(findPanelProgram(root + "/own", path, error), root + "/own/pelmora");
    EXPECT_EQ(findPanelProgram(root + "/empty", root + "/empty", error), "");
    EXPECT_NE(error.find("beside this program"), std::string::npos) << error;
    QDir(QString::fromStdString(root)).removeRecursively();
}

TEST(DatedRecording, ANewFileNamedAfterTheTimeInAFolderMadeForItNeverAnExistingOne)
{
    const std::string folder = testing::TempDir() + "dated_" + std::to_string(getpid()) + "/Documents/Pelmora";
    // 2024-03-05 14:07:09 local time, whatever the zone.
    std::tm local{};
    local.tm_year = 124, local.tm_mon = 2, local.tm_mday = 5, local.tm_hour = 14, local.tm_min = 7, local.tm_sec = 9;
    local.tm_isdst = -1;
    const std::int64_t us = static_cast<std::int64_t>(std::mktime(&local)) * 1'000'000 + 500'000;
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        RecordingFile file;
        std::string error;
        ASSERT_TRUE(openDatedRecording(folder, us, file, error)) << error;
        EXPECT_TRUE(file.owned && file.needsHeader);
        ASSERT_EQ(::write(file.fd, "kept\n", 5), 5);
        ::close(file.fd);
        names.push_back(file.name.substr(folder.size() + 1));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"pelmora-20240305-140709.csv", "pelmora-20240305-140709-2.csv",
                                               "pelmora-20240305-140709-3.csv"}));
    std::ifstream first(folder + "/" + names[0]);
    std::string line;
    EXPECT_TRUE(std::getline(first, line) && line == "kept");
    QDir(QString::fromStdString(folder + "/../..")).removeRecursively();
}

TEST(TapOptions, TheManualPageListsEveryOption)
{
    expectManualListsOptions(TAP_MANUAL, tapUsage("pelmora-tap"), 12);
}

TEST(TrafficRecorder, ASlowRequestWaitsAsTheCardWaitsForItsFrame)
{
    TrafficRecorder r;
    EXPECT_TRUE(record(r, Direction::PanelToCard, {0x2A}, 0).empty());
    EXPECT_TRUE(record(r, Direction::PanelToCard, {0x2A, 0x05}, 300'000).empty());
    EXPECT_FALSE(r.nextDeadline()) << "no wake-up for the panel's bytes";
    EXPECT_TRUE(r.settleQuiet(2'000'000).empty());
    const auto rows = record(r, Direction::PanelToCard, {0x23}, 2'000'000);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, RowKind::Request);
    EXPECT_EQ(rows[0].bytes, (Bytes{0x2A, 0x2A, 0x05, 0x23}));

    // Bytes that still may begin a frame are settled only at the end.
    record(r, Direction::PanelToCard, {0x2A, 0x2A}, 3'000'000);
    EXPECT_TRUE(r.settleQuiet(60'000'000).empty());
    const auto last = r.finish();
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].kind, RowKind::Unframed);
}

TEST(TrafficRecorder, AnOutageIsARowAndWhatWentNowhereIsMarked)
{
    TrafficRecorder r;
    record(r, Direction::PanelToCard, {0x2A, 0x2A}, 0);
    record(r, Direction::CardToPanel, {1, 2, 3}, 10);
    auto rows = r.deviceGone("/dev/ttyUSB0: hung up", at(20));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].kind, RowKind::Unframed) << "a frame begun before cannot end after";
    EXPECT_EQ(rows[1].kind, RowKind::Reply);
    EXPECT_EQ(rows[2].kind, RowKind::DeviceGone);
    EXPECT_EQ(rows[2].direction, Direction::None);
    EXPECT_EQ(rows[2].note, "/dev/ttyUSB0: hung up");

    rows = record(r, Direction::PanelToCard, {0x2A, 0x2A, 0x07, 0x23, 0x2A}, 30);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].kind, RowKind::Request);
    EXPECT_EQ(rows[0].note, recording::kNotDelivered);
    rows = r.deviceBack("/dev/ttyUSB0", at(40));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].note, recording::kNotDelivered);
    EXPECT_EQ(rows[1].kind, RowKind::DeviceBack);
    EXPECT_EQ(rows[1].note, "/dev/ttyUSB0");

    rows = record(r, Direction::PanelToCard, {0x2A, 0x2A, 0x08, 0x23}, 50);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].note, "") << "delivered again";
}

TEST(DeviceName, ComPortsAndDeviceNamesAsThePanelOpensThem)
{
    std::string problem;
    EXPECT_EQ(resolveCardDevice("Com2", problem), card_link::deviceForPort(2).toStdString());
    EXPECT_EQ(resolveCardDevice("cOM4", problem), card_link::deviceForPort(4).toStdString());
    EXPECT_EQ(resolveCardDevice("pts/3", problem), "/dev/pts/3");
    EXPECT_EQ(resolveCardDevice("Com5", problem), "/dev/Com5");
    for (const std::string path : {"/dev/ttyUSB0", "./Com1", "../card"})
        EXPECT_EQ(resolveCardDevice(path, problem), path);
    if (card_link::presentPorts().size() < 4 && qEnvironmentVariableIsEmpty("PELMORA_COM4")) {
        EXPECT_EQ(resolveCardDevice("com4", problem), "");
        EXPECT_EQ(problem, "com4: this computer has no serial port number 4 (and PELMORA_COM4 is not set)");
    }
}

} // namespace
