// Runs the built virtual card and talks to it through its pseudo-terminal like the panel does.

#include "card_client.h"
#include "card_process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kReplyTimeoutMs = 1000;

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string tempPath(const std::string& name)
{
    return (testing::TempDir().empty() ? std::string("/tmp/") : testing::TempDir()) + "vcard_"
        + std::to_string(getpid()) + "_" + name;
}

struct RunningCard {
    explicit RunningCard(const std::vector<std::string>& args) : process(args), path(process.readLine(3000)) {}
    CardProcess process;
    std::string path;
};

TEST(VirtualCard, AnswersEachRequestWithFixedValues)
{
    RunningCard card({"--inputs", "0xA5", "--analog1", "200", "--analog2", "7"});
    ASSERT_EQ(card.path.rfind("/dev/pts/", 0), 0u) << "first line: " << card.path;
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());

    Bytes three;
    for (std::uint8_t mask : {0x00, 0x2A, 0x23}) {
        const Bytes r = request(mask);
        three.insert(three.end(), r.begin(), r.end());
    }
    client.send(three);
    EXPECT_EQ(client.receive(9, kReplyTimeoutMs), (Bytes{0xA5, 200, 7, 0xA5, 200, 7, 0xA5, 200, 7}));
    EXPECT_TRUE(client.receiveFor(100).empty()) << "one reply per request, no more";
}

TEST(VirtualCard, DefaultsAndFramesSplitWithGarbage)
{
    RunningCard card({});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());
    client.send({0x55, 0x23, 0x2A, 0x2A});
    EXPECT_TRUE(client.receiveFor(100).empty()) << "no reply before the frame is complete";
    client.send({0x0F});
    sleepMs(20);
    client.send({0x23});
    EXPECT_EQ(client.receive(3, kReplyTimeoutMs), (Bytes{0x00, 128, 64}));
}

TEST(VirtualCard, FollowOutputsLightsInputNForOutputN)
{
    RunningCard card({"--follow-outputs", "--analog1", "1", "--analog2", "2"});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());
    // Output 1 is the request's bit 7, input 1 the reply's bit 0.
    const std::vector<std::pair<std::uint8_t, std::uint8_t>> lit{
        {0x00, 0x00}, {0x80, 0x01}, {0x01, 0x80}, {0x2A, 0x54}, {0xF0, 0x0F}, {0xFF, 0xFF}};
    for (const auto& [outputs, inputs] : lit) {
        client.send(request(outputs));
        EXPECT_EQ(client.receive(3, kReplyTimeoutMs), (Bytes{inputs, 1, 2})) << int(outputs);
    }
}

TEST(VirtualCard, LogsOneLinePerRequestWithMonotonicTime)
{
    const std::string logPath = tempPath("frames.log");
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const long long startUs = ts.tv_sec * 1'000'000LL + ts.tv_nsec / 1000;
    {
        RunningCard card({"--log", logPath});
        CardClient client(card.path);
        ASSERT_TRUE(client.isOpen());
        for (std::uint8_t mask : {0x03, 0xFF, 0x00}) {
            client.send(request(mask));
            ASSERT_EQ(client.receive(3, kReplyTimeoutMs).size(), 3u);
        }
    }
    std::ifstream log(logPath);
    std::vector<unsigned> masks;
    long long previousUs = startUs;
    long long timeUs = 0;
    unsigned mask = 0;
    std::string line;
    while (std::getline(log, line)) {
        std::istringstream fields(line);
        std::string extra;
        ASSERT_TRUE(fields >> timeUs >> mask) << line;
        EXPECT_FALSE(fields >> extra) << line;
        EXPECT_GE(timeUs, previousUs);
        EXPECT_LT(timeUs - startUs, 5'000'000);
        previousUs = timeUs;
        masks.push_back(mask);
    }
    EXPECT_EQ(masks, (std::vector<unsigned>{3, 255, 0}));
    ::unlink(logPath.c_str());
}

TEST(VirtualCard, LogToStdoutFollowsThePathLine)
{
    RunningCard card({"--log", "-"});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());
    client.send(request(0x42));
    ASSERT_EQ(client.receive(3, kReplyTimeoutMs).size(), 3u);
    const std::string line = card.process.readLine(kReplyTimeoutMs);
    EXPECT_EQ(line.substr(line.find(' ') + 1), "66") << line;
}

TEST(VirtualCard, IdlesWithoutBurningCpu)
{
    RunningCard card({});
    ASSERT_FALSE(card.path.empty());
    const auto share = [&](int ms) {
        const double before = card.process.cpuSeconds();
        sleepMs(ms);
        return (card.process.cpuSeconds() - before) / (ms / 1000.0);
    };
    EXPECT_LT(share(600), 0.2) << "idle with no client";
    {
        CardClient client(card.path);
        ASSERT_TRUE(client.isOpen());
        client.send(request(0x01));
        ASSERT_EQ(client.receive(3, kReplyTimeoutMs).size(), 3u);
    }
    EXPECT_LT(share(600), 0.2) << "idle after a client came and went";
}

TEST(VirtualCard, LinkPointsAtTheDeviceAndGoesOnExit)
{
    const std::string link = tempPath("card_link");
    ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0) << "a stale link is replaced";
    RunningCard card({"--link", link});
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), card.path);
    EXPECT_EQ(card.process.stop(), 0);
    struct stat st {};
    EXPECT_NE(::lstat(link.c_str(), &st), 0);

    // Anything but a link is left alone, and the card does not start.
    std::ofstream(link) << "notes\n";
    CardProcess refused({"--link", link});
    EXPECT_EQ(refused.wait(3000), 2);
    EXPECT_NE(refused.readErrors(200).find("is not a symbolic link"), std::string::npos);
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    ASSERT_TRUE(S_ISREG(st.st_mode)) << "replaced";
    std::ifstream kept(link);
    std::string text;
    EXPECT_TRUE(std::getline(kept, text) && text == "notes");
    ::unlink(link.c_str());
}

TEST(VirtualCard, EachClientLeavesTheDeviceFreeForTheNext)
{
    RunningCard card({});
    for (int client = 0; client < 2; ++client) {
        const int fd = ::open(card.path.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);  // as the panel and the tap take it
        ::close(fd);                         // and as one killed before it could clear it
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        int exclusive = 1;
        while (exclusive != 0 && std::chrono::steady_clock::now() < deadline) {
            sleepMs(10);
            const int look = ::open(card.path.c_str(), O_RDWR | O_NOCTTY);
            ::ioctl(look, TIOCGEXCL, &exclusive);
            ::close(look);
        }
        EXPECT_EQ(exclusive, 0) << client;
    }
}

TEST(VirtualCard, ReplaysOnlyTheRepliesTheCardSent)
{
    const std::string csv = tempPath("replay.csv");
    // Saved by a spreadsheet (a byte-order mark, CRLF), cut off in its last row, and with
    // rows that are no reply of the card's.
    std::ofstream(csv) << "\xEF\xBB\xBFtime,direction,kind,bytes\r\n"
                          "2024-01-01T00:00:00.000+00:00,card>panel,reply,01 02 03\r\n"
                          "2024-01-01T00:00:00.100+00:00,panel>card,reply,07 07 07\r\n"
                          "2024-01-01T00:00:00.200+00:00,card>panel,unframed,08 08 08\r\n"
                          "2024-01-01T00:00:00.300+00:00,card>panel,reply,04 05 06\r\n"
                          "2024-01-01T00:00:00.4";
    RunningCard card({"--replay", csv, "--loop"});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen()) << card.process.readErrors(200);
    Bytes got;
    for (int i = 0; i < 3; ++i) {
        client.send(request(0x00));
        const Bytes reply = client.receive(3, kReplyTimeoutMs);
        got.insert(got.end(), reply.begin(), reply.end());
    }
    EXPECT_EQ(got, (Bytes{1, 2, 3, 4, 5, 6, 1, 2, 3}));
    EXPECT_NE(card.process.readErrors(200).find("line 6 is cut off"), std::string::npos);
    ::unlink(csv.c_str());
}

TEST(VirtualCard, ReplyDelayHoldsTheReply)
{
    RunningCard card({"--reply-delay-us", "150000"});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());
    client.send(request(0x01));
    client.send(request(0x02));
    EXPECT_TRUE(client.receive(1, 100).empty());
    EXPECT_EQ(client.receive(6, kReplyTimeoutMs).size(), 6u);
}

TEST(VirtualCard, FloodSendsRepliesUnasked)
{
    RunningCard card({"--flood", "200", "--inputs", "9"});
    CardClient client(card.path);
    ASSERT_TRUE(client.isOpen());
    client.receiveFor(50);
    const Bytes got = client.receiveFor(300);
    EXPECT_GE(got.size(), 3u * 20);
    ASSERT_GE(got.size(), 3u);
}

TEST(VirtualCard, GarbageIsShortAndFollowsTheSeed)
{
    const auto run = [] {
        RunningCard card({"--garbage", "--seed", "11"});
        CardClient client(card.path);
        Bytes all;
        for (int i = 0; i < 6; ++i) {
            client.send(request(0x10));
            const Bytes got = client.receiveFor(60);
            EXPECT_LE(got.size(), 8u);
            all.insert(all.end(), got.begin(), got.end());
        }
        return all;
    };
    const Bytes first = run();
    EXPECT_EQ(first, run());
    EXPECT_NE(first.size(), 18u) << "six proper replies would be exactly 18 bytes";
}

TEST(VirtualCard, EndsCleanlyOnEachStopSignal)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        RunningCard card({});
        ASSERT_FALSE(card.path.empty());
        ::kill(card.process.pid(), signal);
        EXPECT_EQ(card.process.wait(1000), 0) << strsignal(signal);
    }
}

TEST(VirtualCard, RejectsBadOptionsAndExplainsUsage)
{
    {
        CardProcess bad({"--inputs", "300"});
        EXPECT_EQ(bad.wait(2000), 2);
        EXPECT_NE(bad.readErrors(500).find("--inputs"), std::string::npos);
        EXPECT_TRUE(bad.readLine(100).empty()) << "no device path on stdout";
    }
    CardProcess help({"--help"});
    EXPECT_EQ(help.wait(2000), 0);
    EXPECT_EQ(help.readLine(500).rfind("Usage:", 0), 0u);
}

} // namespace
