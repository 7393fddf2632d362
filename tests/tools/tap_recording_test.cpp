// The tap's rows: what the recorder makes of the bytes passing, their CSV text, and
// reading a recording back.
#include "card_link/port_device.h"
#include "device_name.h"
#include "recording_reader.h"
#include "tap_options.h"
#include "tap_row.h"
#include "traffic_recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t kGap = TrafficRecorder::kQuietGapUs;

Moment at(std::int64_t us) { return {1'700'000'000'000'000 + us, us}; }

std::vector<TapRow> record(TrafficRecorder& r, Direction d, const Bytes& bytes, std::int64_t us)
{
    return r.record(d, bytes.data(), bytes.size(), at(us));
}

std::vector<std::string> fields(const std::string& line)
{
    std::vector<std::string> out(1);
    for (char c : line.substr(0, line.find('\n'))) {
        if (c == ',')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
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

TEST(TapRow, CsvLinesCarryTheDecodedFrames)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    const std::string header = csvHeader();
    EXPECT_EQ(header.rfind("time,direction,kind,bytes,mask,out1,", 0), 0u);
    ASSERT_EQ(fields(header).size(), 25u);

    // 2024-03-05T14:07:09.042 UTC
    const std::int64_t t = 1'709'647'629'042'000;
    const std::string request = csvLine({t, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, 0x81, 0x23}});
    EXPECT_EQ(request, "2024-03-05T14:07:09.042+00:00,panel>card,request,2A 2A 81 23,129,1,0,0,0,0,0,0,1,,,,,,,,,,,,\n");
    const std::string reply = csvLine({t, Direction::CardToPanel, RowKind::Reply, {0x05, 0x33, 0xFF}});
    EXPECT_EQ(reply, "2024-03-05T14:07:09.042+00:00,card>panel,reply,05 33 FF,5,,,,,,,,,1,0,1,0,0,0,0,0,51,1.000,255,5.000\n");
    const std::string stray = csvLine({t, Direction::CardToPanel, RowKind::Unframed, {0x00, 0x0A}});
    EXPECT_EQ(fields(stray).size(), 25u);
    EXPECT_EQ(fields(stray)[3], "00 0A");

    setenv("TZ", "XST-5:30", 1);
    tzset();
    EXPECT_EQ(isoTime(t), "2024-03-05T19:37:09.042+05:30");
    setenv("TZ", "YST3", 1);
    tzset();
    EXPECT_EQ(isoTime(t), "2024-03-05T11:07:09.042-03:00");
    unsetenv("TZ");
    tzset();
}

TEST(RecordingReader, ReadsItsOwnRowsBackAndRefusesOtherFiles)
{
    const std::string text = csvHeader()
        + csvLine({0, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, 0x01, 0x23}})
        + csvLine({0, Direction::CardToPanel, RowKind::Reply, {1, 2, 3}})
        + csvLine({0, Direction::CardToPanel, RowKind::Unframed, {4, 5}})
        // As a spreadsheet may save it: quoted, with CRLF.
        + "\"2024-01-01T00:00:00.000+00:00\",\"card>panel\",\"reply\",\"0A 0B 0C\"\r\n";
    std::vector<RecordedRow> rows;
    std::string error;
    ASSERT_TRUE(parseRecording(text, rows, error)) << error;
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].kind, "request");
    EXPECT_EQ(rows[0].direction, "panel>card");
    EXPECT_EQ(rows[3].time, "2024-01-01T00:00:00.000+00:00");
    EXPECT_EQ(recordedReplies(rows), (std::vector<Bytes>{{1, 2, 3}, {10, 11, 12}}));

    for (const std::string& bad : {std::string("a,b,c\n"), csvHeader() + "x,y,reply,1 2 3\n", std::string()}) {
        rows.clear();
        error.clear();
        EXPECT_FALSE(parseRecording(bad, rows, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    EXPECT_FALSE(readRecording("/nonexistent/recording.csv", rows, error));
}

TEST(TapOptions, ForwardingOrPlottingAndNothingBetween)
{
    ParsedTapOptions p = parseTapOptions({"--link", "/tmp/l", "--csv", "r.csv", "Com1"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.device, "Com1");
    EXPECT_EQ(p.options.linkPath, "/tmp/l");
    p = parseTapOptions({"--plot", "r.csv", "--out", "r.png", "--size", "640x480"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    EXPECT_EQ(p.options.width, 640);
    EXPECT_EQ(p.options.height, 480);
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"a", "b"}, {"--plot", "r.csv"}, {"--plot", "r.csv", "--out", "p.png", "Com1"}, {"--out", "p.png", "Com1"},
             {"--plot", "r.csv", "--out", "p.png", "--size", "640"}, {"--plot", "r.csv", "--out", "p.png", "--size", "9x9"},
             {"--csv"}, {"--bogus", "Com1"}}) {
        EXPECT_FALSE(parseTapOptions(args).error.empty()) << args.size();
    }
}

TEST(DeviceName, ComPortsAreResolvedAsThePanelDoesOthersArePaths)
{
    EXPECT_EQ(resolveCardDevice("Com2"), card_link::device_for_port(2).toStdString());
    EXPECT_EQ(resolveCardDevice("cOM4"), card_link::device_for_port(4).toStdString());
    for (const std::string path : {"/dev/ttyUSB0", "Com5", "Com", "com12", "./Com1"})
        EXPECT_EQ(resolveCardDevice(path), path);
}

} // namespace
