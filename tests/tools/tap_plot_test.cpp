// The plot drawn by the built tap from a recording: a PNG of the asked size with every trace
// in it, the time axis ending at the data, no spike lost however long the recording, and
// no file overwritten that it was not asked to.
#include "chart_colours.h"
#include "decimated_trace.h"
#include "recording_plot.h"
#include "recording_rows.h"
#include "recording_series.h"
#include "tap_row.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace {

// Within a small distance of `colour`, anti-aliased edges left out.
bool near(const QColor& c, const QColor& colour)
{
    return std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
        + std::abs(c.blue() - colour.blue()) < 30;
}

int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += near(image.pixelColor(x, y), colour);
    return count;
}

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A recording of `seconds` seconds: a request and a reply every 100 ms, the analogue
// inputs steady at 2.5 V and 1.25 V.
std::string steadyRecording(int seconds)
{
    std::string text = csvHeader();
    const std::int64_t start = 1'700'000'000'000'000;
    for (std::int64_t t = 0; t <= seconds * 1'000'000LL; t += 100'000) {
        text += csvLine({start + t, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, 0x81, 0x23}, {}});
        text += csvLine({start + t + 2000, Direction::CardToPanel, RowKind::Reply, {0x01, 128, 64}, {}});
    }
    return text;
}

int runTap(const std::string& arguments)
{
    const int status = std::system((std::string(TAP_PATH) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Plot, APictureOfTheAskedSizeWithEveryTrace)
{
    const std::string dir = testing::TempDir() + "tap_plot_" + std::to_string(getpid());
    const std::string csv = dir + ".csv";
    const std::string png = dir + ".png";
    {
        std::ofstream file(csv);
        file << csvHeader();
        std::int64_t t = 1'700'000'000'000'000;
        for (int i = 0; i < 100; ++i, t += 100'000) {
            const auto mask = static_cast<std::uint8_t>(i % 20 < 10 ? 0xF0 : 0x0F);
            file << csvLine({t, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, mask, 0x23}, {}});
            file << csvLine({t + 2000, Direction::CardToPanel, RowKind::Reply,
                             {static_cast<std::uint8_t>(~mask), static_cast<std::uint8_t>(i * 2), 200}, {}});
        }
    }
    ASSERT_EQ(runTap("--plot " + csv + " --out " + png + " --size 900x600"), 0);
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(900, 600));
    for (const QColor& trace : {chart_colours::kAnalogue1, chart_colours::kAnalogue2, chart_colours::kOutputs,
                                chart_colours::kInputs})
        EXPECT_GT(pixelsOf(image, trace), 300) << trace.name().toStdString();

    ::unlink(png.c_str());
    std::ofstream(csv) << csvHeader();
    EXPECT_EQ(runTap("--plot " + csv + " --out " + png), 1) << "nothing to plot";
    EXPECT_EQ(runTap("--plot " + csv + ".missing --out " + png), 1);
    EXPECT_EQ(runTap("--plot /tmp --out " + png), 1);
    ::unlink(csv.c_str());
}

TEST(Plot, TheTimeAxisEndsWhereTheDataEnds)
{
    const std::string csv = testing::TempDir() + "tap_plot_axis_" + std::to_string(getpid()) + ".csv";
    const std::string png = csv + ".png";
    std::ofstream(csv) << steadyRecording(31);
    ASSERT_EQ(runTap("--plot " + csv + " --out " + png + " --size 1000x600"), 0);
    const QImage image(QString::fromStdString(png));
    ::unlink(csv.c_str());
    ::unlink(png.c_str());
    ASSERT_FALSE(image.isNull());
    int rightmost = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (near(image.pixelColor(x, y), chart_colours::kAnalogue1))
                rightmost = std::max(rightmost, x);
    // Before, 31 s of data ended at three quarters of a 40 s axis.
    EXPECT_GT(rightmost, image.width() * 9 / 10);
}

TEST(Plot, NeverOverwritesTheRecordingNorAnyFileUnasked)
{
    const std::string folder = testing::TempDir();
    const std::string csv = folder + "tap_plot_keep_" + std::to_string(getpid()) + ".csv";
    const std::string other = csv + ".png";
    const std::string recorded = steadyRecording(2);
    std::ofstream(csv) << recorded;
    std::ofstream(other) << "not a picture yet";
    // The same file by another name: through the folder's parent and back.
    const std::string sameFile = folder + "../" + folder.substr(folder.rfind('/', folder.size() - 2) + 1) + csv.substr(folder.size());
    EXPECT_EQ(runTap("--plot " + csv + " --out " + csv), 2);
    EXPECT_EQ(runTap("--plot " + csv + " --out " + sameFile + " --force"), 2);
    EXPECT_EQ(contents(csv), recorded);
    EXPECT_EQ(runTap("--plot " + csv + " --out " + other), 2);
    EXPECT_EQ(contents(other), "not a picture yet");
    EXPECT_EQ(runTap("--plot " + csv + " --out " + other + " --force"), 0);
    EXPECT_FALSE(QImage(QString::fromStdString(other)).isNull());
    ::unlink(csv.c_str());
    ::unlink(other.c_str());
}

TEST(DecimatedTrace, AMillionSamplesKeepTheirSpikesInAFewPoints)
{
    DecimatedTrace trace(1000);
    for (int i = 0; i < 1'000'000; ++i)
        // with an outage of 100 s half-way
        trace.add(i * 0.01 + (i >= 500'000 ? 100 : 0), i == 123'457 ? 5.0 : i == 765'433 ? -5.0 : 1.0, i == 500'000);
    const std::vector<DecimatedTrace::Sample> kept = trace.samples();
    EXPECT_LE(kept.size(), 4000u);
    EXPECT_GE(kept.size(), 1000u) << "at least a point for each of the half the buckets in use";
    EXPECT_EQ(kept.front().seconds, 0.0);
    EXPECT_DOUBLE_EQ(kept.back().seconds, 10099.99);
    const auto has = [&](double seconds, double value) {
        return std::any_of(kept.begin(), kept.end(), [&](const DecimatedTrace::Sample& s) {
            return std::abs(s.seconds - seconds) < 1e-6 && s.value == value;
        });
    };
    EXPECT_TRUE(has(1234.57, 5.0));
    EXPECT_TRUE(has(7754.33, -5.0));
    EXPECT_EQ(std::count_if(kept.begin(), kept.end(), [](const auto& s) { return s.afterGap; }), 1)
        << "the break survives the buckets merging, once";
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end(),
                               [](const auto& a, const auto& b) { return a.seconds < b.seconds; }));
}

// A recording cut off anywhere in its last row (a full disk, a power cut) still replays
// and plots, with every row before it.
TEST(Recording, CutAtEveryByteOfItsLastRowStillReplaysAndPlots)
{
    const std::string whole = steadyRecording(1);
    const std::size_t lastRow = whole.rfind('\n', whole.size() - 2) + 1;
    const std::size_t rowsBefore = 2 * 10 + 1;
    for (std::size_t cut = lastRow; cut <= whole.size(); ++cut) {
        SCOPED_TRACE(cut - lastRow);
        SeriesBuilder plot(640);
        std::size_t replies = 0, rows = 0;
        std::vector<std::string> warnings;
        std::istringstream in(whole.substr(0, cut));
        std::string error;
        ASSERT_TRUE(readRecording(
            in,
            [&](const TapRow& row, std::string_view time) {
                ++rows;
                replies += isRecordedReply(row);
                plot.add(row, time);
            },
            [&](const std::string& warning) { warnings.push_back(warning); }, error))
            << error;
        const bool complete = cut >= whole.size() - 1;
        EXPECT_EQ(rows, rowsBefore + (complete ? 1 : 0));
        EXPECT_EQ(replies, 10u + (complete ? 1 : 0));
        EXPECT_EQ(warnings.size(), complete || cut == lastRow ? 0u : 1u);
        RecordingSeries series;
        QString plotError;
        EXPECT_TRUE(plot.finish(series, plotError)) << plotError.toStdString();
    }
}

} // namespace
