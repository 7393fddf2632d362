// The plot drawn by the built tap from a recording: a PNG of the asked size with every trace in it.
#include "recording_plot.h"
#include "tap_row.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

// Pixels within a small distance of `colour`, anti-aliased edges left out.
int pixelsOf(const QImage& image, const QColor& colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green())
                    + std::abs(c.blue() - colour.blue()) < 30)
                ++count;
        }
    return count;
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
            file << csvLine({t, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, mask, 0x23}});
            file << csvLine({t + 2000, Direction::CardToPanel, RowKind::Reply,
                             {static_cast<std::uint8_t>(~mask), static_cast<std::uint8_t>(i * 2), 200}});
        }
    }
    ASSERT_EQ(runTap("--plot " + csv + " --out " + png + " --size 900x600"), 0);
    QImage image(QString::fromStdString(png));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(900, 600));
    for (const QColor& trace : {plot_colours::kAnalogue1, plot_colours::kAnalogue2, plot_colours::kOutputs,
                                plot_colours::kInputs})
        EXPECT_GT(pixelsOf(image, trace), 300) << trace.name().toStdString();

    std::ofstream(csv) << csvHeader();
    EXPECT_EQ(runTap("--plot " + csv + " --out " + png), 1) << "nothing to plot";
    EXPECT_EQ(runTap("--plot " + csv + ".missing --out " + png), 1);
    ::unlink(csv.c_str());
    ::unlink(png.c_str());
}

} // namespace
