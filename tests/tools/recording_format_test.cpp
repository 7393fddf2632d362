// The format of a recording, as the tap writes it and the replay and the plot read it.
#include "recording_rows.h"
#include "recording_time.h"
#include "row_names.h"
#include "tap_row.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <utility>

namespace {

using Bytes = std::vector<std::uint8_t>;

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

// Runs with the time zone `tz` and puts the old one back.
struct TimeZone {
    explicit TimeZone(const char* tz)
    {
        setenv("TZ", tz, 1);
        tzset();
    }
    ~TimeZone()
    {
        unsetenv("TZ");
        tzset();
    }
};

// 2024-03-05T14:07:09.042 UTC
constexpr std::int64_t kTime = 1'709'647'629'042'000;

TEST(TapRow, CsvLinesCarryTheDecodedFramesAndANote)
{
    const TimeZone utc("UTC0");
    const std::string header = csvHeader();
    EXPECT_EQ(header.rfind("time,direction,kind,bytes,mask,out1,", 0), 0u);
    ASSERT_EQ(fields(header).size(), 26u);
    EXPECT_EQ(fields(header).back(), "note");

    const std::string request = csvLine({kTime, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, 0x81, 0x23}, {}});
    EXPECT_EQ(request,
              "2024-03-05T14:07:09.042+00:00,panel>card,request,2A 2A 81 23,129,1,0,0,0,0,0,0,1,,,,,,,,,,,,,\n");
    const std::string reply = csvLine({kTime, Direction::CardToPanel, RowKind::Reply, {0x05, 0x33, 0xFF}, {}});
    EXPECT_EQ(reply,
              "2024-03-05T14:07:09.042+00:00,card>panel,reply,05 33 FF,5,,,,,,,,,1,0,1,0,0,0,0,0,51,1.000,255,5.000,\n");
    const std::string stray = csvLine({kTime, Direction::CardToPanel, RowKind::Unframed, {0x00, 0x0A}, {}});
    EXPECT_EQ(fields(stray).size(), 26u);
    EXPECT_EQ(fields(stray)[3], "00 0A");
    const std::string gone = csvLine({kTime, Direction::None, RowKind::DeviceGone, {}, "/dev/ttyUSB0: hung up, \"twice\""});
    EXPECT_EQ(gone.rfind("2024-03-05T14:07:09.042+00:00,,device gone,,", 0), 0u) << gone;
    const std::string quotedNote = ",\"/dev/ttyUSB0: hung up, \"\"twice\"\"\"\n";
    EXPECT_EQ(gone.substr(gone.size() - quotedNote.size()), quotedNote);
    EXPECT_EQ(fields(gone).size(), 27u) << "26 and the comma inside the quotes";
}

TEST(RecordingTime, WrittenInLocalTimeAndReadBackAsTheSameMoment)
{
    for (const char* tz : {"UTC0", "XST-5:30", "YST3"}) {
        const TimeZone zone(tz);
        EXPECT_EQ(parseIsoTimeUs(isoTime(kTime)), kTime / 1000 * 1000) << tz;
    }
    {
        const TimeZone india("XST-5:30");
        EXPECT_EQ(isoTime(kTime), "2024-03-05T19:37:09.042+05:30");
    }
    EXPECT_EQ(parseIsoTimeUs("2024-03-05T14:07:09Z"), 1'709'647'629'000'000);
    EXPECT_EQ(parseIsoTimeUs("2024-03-05 14:07:09.5"), 1'709'647'629'500'000);
    EXPECT_EQ(parseIsoTimeUs("1969-12-31T23:59:59.000+00:00"), -1'000'000);
    for (const char* bad : {"", "2024-03-05", "2024-13-05T14:07:09", "2024-03-05T14:07:09.", "2024-03-05T14:07:09+1",
                            "2024-03-05T14:07:09.042+00:00x", "x2024-03-05T14:07:09"})
        EXPECT_FALSE(parseIsoTimeUs(bad)) << bad;
}

TEST(RecordingReader, ReadsRowsBackWithTheirNotesAndOlderOrForeignForms)
{
    const std::string text = csvHeader()
        + csvLine({0, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, 0x01, 0x23}, "not delivered"})
        + csvLine({0, Direction::CardToPanel, RowKind::Reply, {1, 2, 3}, {}})
        + csvLine({0, Direction::None, RowKind::DeviceGone, {}, "a, b"});
    const ReadBack read = readBack(text);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.rows.size(), 3u);
    EXPECT_EQ(read.rows[0].kind, RowKind::Request);
    EXPECT_EQ(read.rows[0].direction, Direction::PanelToCard);
    EXPECT_EQ(read.rows[0].note, "not delivered");
    EXPECT_EQ(read.rows[1].bytes, (Bytes{1, 2, 3}));
    EXPECT_TRUE(isRecordedReply(read.rows[1]));
    EXPECT_EQ(read.rows[2].kind, RowKind::DeviceGone);
    EXPECT_EQ(read.rows[2].direction, Direction::None);
    EXPECT_EQ(read.rows[2].note, "a, b");
    EXPECT_TRUE(read.warnings.empty());

    // As a spreadsheet saves it: a byte-order mark, quotes, CRLF; and with no note column.
    const ReadBack saved = readBack("\xEF\xBB\xBF\"time\",\"direction\",\"kind\",\"bytes\"\r\n"
                                    "\"2024-01-01T00:00:00.000+00:00\",\"card>panel\",\"reply\",\"0A 0B 0C\"\r\n");
    ASSERT_TRUE(saved.ok) << saved.error;
    ASSERT_EQ(saved.rows.size(), 1u);
    EXPECT_EQ(saved.times[0], "2024-01-01T00:00:00.000+00:00");
    EXPECT_EQ(saved.rows[0].wallUs, 1'704'067'200'000'000);
    EXPECT_TRUE(isRecordedReply(saved.rows[0]));
    EXPECT_EQ(saved.rows[0].note, "");
}

TEST(RecordingReader, OnlyTheCardsThreeByteRepliesAreReplies)
{
    const std::string text = csvHeader() + csvLine({0, Direction::PanelToCard, RowKind::Reply, {1, 2, 3}, {}})
        + csvLine({0, Direction::CardToPanel, RowKind::Unframed, {1, 2, 3}, {}})
        + csvLine({0, Direction::CardToPanel, RowKind::Reply, {1, 2}, {}});
    const ReadBack read = readBack(text);
    ASSERT_EQ(read.rows.size(), 3u);
    for (const TapRow& row : read.rows)
        EXPECT_FALSE(isRecordedReply(row)) << directionName(row.direction) << " " << kindName(row.kind);
}

TEST(RecordingReader, SkipsWhatIsNotARowAndSaysSoRefusesWhatIsNoRecording)
{
    const std::string good = csvLine({0, Direction::CardToPanel, RowKind::Reply, {1, 2, 3}, {}});
    const ReadBack read = readBack(csvHeader() + good + "x,y,reply,1 2 3\n" + good + "yesterday,card>panel,reply,01 02 03\n"
                                   + good);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.rows.size(), 3u);
    ASSERT_EQ(read.warnings.size(), 1u);
    EXPECT_EQ(read.warnings[0], "2 lines are not recorded rows (the first is line 3); they are skipped");

    const std::pair<std::string, std::string> refusals[] = {
        {"a,b,c\n", "its first line is not a recording's header (time,direction,kind,bytes,...)"},
        {"", "it is empty"},
    };
    for (const auto& [bad, why] : refusals) {
        const ReadBack refused = readBack(bad);
        EXPECT_FALSE(refused.ok) << bad;
        EXPECT_EQ(refused.error, why);
    }
    const ReadBack missing = readBackFile("/nonexistent/recording.csv");
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.error, "cannot read /nonexistent/recording.csv: No such file or directory");
    const ReadBack folder = readBackFile("/tmp");
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(folder.error, "/tmp is a folder, not a recording");
}

} // namespace
