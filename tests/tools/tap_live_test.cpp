// The built tap with --live on an X server of the test's own: the chart draws in a
// process of its own; when the X server goes away the chart ends alone, and forwarding
// and recording go on until the tap is stopped, which leaves nothing behind.
#include "card_client.h"
#include "card_process.h"
#include "recording_rows.h"
#include "scoped_environment.h"

#include <QDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kXServer = "/usr/bin/Xvfb";

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "tap_live_" + std::to_string(getpid()) + "_" + name;
}

std::string contents(const std::string& path)
{
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// The processes whose parent is `parent`, by pid.
std::vector<pid_t> children(pid_t parent)
{
    std::vector<pid_t> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        const std::string stat = number ? contents("/proc/" + std::to_string(pid) + "/stat") : std::string();
        const std::size_t after = stat.rfind(") ");
        // After the name: the state, then the parent's pid.
        if (after != std::string::npos && std::atoi(stat.c_str() + after + 4) == parent)
            found.push_back(pid);
    }
    return found;
}

// An X server of the test's own, which picks a free display and says which.
struct XServer {
    XServer() : process(kXServer, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"})
    {
        const std::string number = process.readLine(10000);
        display = number.empty() ? std::string() : ":" + number;
    }
    CardProcess process;
    std::string display;
};

// The tap with --live on its own X server and the virtual card, recording to a file,
// with a link to the panel's end; the test polls through the link as the panel would.
class TapLive : public testing::Test {
protected:
    void SetUp() override
    {
        if (::access(kXServer, X_OK) != 0)
            GTEST_SKIP() << kXServer << " is not installed (scripts/install-deps.sh installs it)";
        x_ = std::make_unique<XServer>();
        ASSERT_FALSE(x_->display.empty()) << "the X server did not start";
        environment_.set("DISPLAY", QByteArray::fromStdString(x_->display));
        environment_.set("QT_QPA_PLATFORM", "xcb");
        card_ = std::make_unique<CardProcess>(std::vector<std::string>{});
        tap_ = std::make_unique<CardProcess>(
            TAP_PATH, std::vector<std::string>{card_->readLine(3000), "--live", "--link", link_, "--csv", csv_});
        ASSERT_EQ(tap_->readLine(5000).rfind("/dev/pts/", 0), 0u) << tap_->readErrors(200);
    }
    void TearDown() override
    {
        tap_.reset();
        card_.reset();
        x_.reset();
        ::unlink(csv_.c_str());
    }

    // `count` exchanges through the tap; false at the first that gets no reply.
    bool exchange(int count)
    {
        CardClient panel(link_);
        for (int i = 0; i < count; ++i) {
            panel.send(request(static_cast<std::uint8_t>(i)));
            if (panel.receive(3, 1000).size() != 3)
                return false;
        }
        return true;
    }

    ScopedEnvironment environment_;
    const std::string csv_ = tempPath("live.csv");
    const std::string link_ = tempPath("link");
    std::unique_ptr<XServer> x_;
    std::unique_ptr<CardProcess> card_;
    std::unique_ptr<CardProcess> tap_;
};

TEST_F(TapLive, AChartThatLosesItsDisplayEndsAloneWhileForwardingAndRecordingGoOn)
{
    ASSERT_TRUE(exchange(10));
    ASSERT_EQ(children(tap_->pid()).size(), 1u) << "the chart's process";

    x_->process.stop(5000);  // the display goes away
    const std::string ended = tap_->errorLineWith("the live chart has ended", 5000);
    EXPECT_NE(ended.find("forwarding and recording go on until the tap is stopped"), std::string::npos) << ended;
    EXPECT_TRUE(children(tap_->pid()).empty()) << "the chart's process is reaped";
    ASSERT_TRUE(exchange(10)) << "forwarding goes on";

    EXPECT_EQ(tap_->stop(2000), 0);
    struct stat linkStatus {};
    EXPECT_NE(::lstat(link_.c_str(), &linkStatus), 0) << "the link is removed";
    const std::string text = contents(csv_);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    const ReadBack read = readBackFile(csv_);
    EXPECT_TRUE(read.warnings.empty());
    int requests = 0, replies = 0;
    for (const TapRow& row : read.rows) {
        requests += row.kind == RowKind::Request;
        replies += row.kind == RowKind::Reply;
    }
    EXPECT_EQ(requests, 20) << "before and after the display went";
    EXPECT_EQ(replies, 20);
}

TEST_F(TapLive, AStoppedTapEndsItsChart)
{
    ASSERT_TRUE(exchange(3));
    const std::vector<pid_t> chart = children(tap_->pid());
    ASSERT_EQ(chart.size(), 1u);
    EXPECT_NE(contents("/proc/" + std::to_string(chart[0]) + "/cmdline").find("--chart-process"), std::string::npos);

    EXPECT_EQ(tap_->stop(3000), 0);
    EXPECT_TRUE(::kill(chart[0], 0) != 0 && errno == ESRCH) << "the chart's process is gone";
    EXPECT_EQ(tap_->readErrors(200).find("the live chart"), std::string::npos) << "its end, being the tap's, is no news";
}

} // namespace
