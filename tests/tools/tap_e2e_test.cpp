// Runs the built tap between a test client playing the panel and a card (the virtual card,
// or the test itself on a pseudo-terminal), as a user would.
#include "card_client.h"
#include "card_link/port_device.h"
#include "card_process.h"
#include "card_terminal.h"
#include "recording_rows.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <locale.h>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kTimeoutMs = 1000;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string tempPath(const std::string& name)
{
    return testing::TempDir() + "tap_" + std::to_string(getpid()) + "_" + name;
}

// The test in the card's place, on the master of a pseudo-terminal whose slave the tap opens.
class CardEnd {
public:
    CardEnd() { ok_ = terminal_.open(error_); }
    const std::string& path() const { return terminal_.slavePath(); }
    void send(const Bytes& bytes) { ASSERT_EQ(::write(terminal_.master(), bytes.data(), bytes.size()), ssize_t(bytes.size())); }
    Bytes receive(std::size_t count, int timeoutMs)
    {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{terminal_.master(), POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0 || !(p.revents & POLLIN))
                continue;
            std::uint8_t chunk[256];
            const ssize_t n = ::read(terminal_.master(), chunk, std::min(sizeof chunk, count - got.size()));
            if (n > 0)
                got.insert(got.end(), chunk, chunk + n);
        }
        return got;
    }

private:
    CardTerminal terminal_;
    bool ok_ = false;
    std::string error_;
};

// The tap on `device`, recording to `csv`; panelPath is the end it printed for the panel.
struct RunningTap {
    RunningTap(const std::string& device, const std::string& csv, const std::vector<std::string>& more = {})
        : process(TAP_PATH, arguments(device, csv, more)), panelPath(process.readLine(3000))
    {
    }
    static std::vector<std::string> arguments(const std::string& device, const std::string& csv,
                                              std::vector<std::string> more)
    {
        more.insert(more.end(), {"--csv", csv, device});
        return more;
    }
    CardProcess process;
    std::string panelPath;
};

std::vector<TapRow> recording(const std::string& path)
{
    const ReadBack read = readBackFile(path);
    EXPECT_TRUE(read.ok) << read.error;
    EXPECT_TRUE(read.warnings.empty()) << read.warnings.front();
    return read.rows;
}

// What a regular file holds; empty for anything else (a link to a device would not end).
std::string contents(const std::string& path)
{
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return {};
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Whether the device is held exclusively, seen through a descriptor of the test's own.
int exclusive(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    // Only root may open a device that another holds exclusively; anyone else is
    // refused, which says the same.
    if (fd < 0)
        return errno == EBUSY ? 1 : -1;
    int flag = -1;
    ::ioctl(fd, TIOCGEXCL, &flag);
    ::close(fd);
    return flag;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

Bytes randomBytes(std::mt19937& random, std::size_t maxCount)
{
    Bytes bytes(std::uniform_int_distribution<std::size_t>(1, maxCount)(random));
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(random());
    return bytes;
}

// The tap's CPU share of one core over `ms`.
double cpuShare(CardProcess& tap, int ms)
{
    const double before = tap.cpuSeconds();
    sleepMs(ms);
    return (tap.cpuSeconds() - before) / (ms / 1000.0);
}

// Sends requests until one is answered, for up to `timeoutMs`.
bool answered(CardClient& panel, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        panel.send(request(0x3C));
        if (panel.receive(3, 200).size() == 3)
            return true;
    }
    return false;
}

TEST(Tap, PassesEveryByteUnchangedBothWaysAndRecordsEachOnce)
{
    const std::string csv = tempPath("garbage.csv");
    CardEnd card;
    RunningTap tap(card.path(), csv);
    ASSERT_EQ(tap.panelPath.rfind("/dev/pts/", 0), 0u) << tap.panelPath;
    CardClient panel(tap.panelPath);
    ASSERT_TRUE(panel.isOpen());

    std::mt19937 random(20240305);
    Bytes fromPanel, fromCard, atCard, atPanel;
    for (int i = 0; i < 80; ++i) {
        // Random garbage, whole frames and frames cut in two, both ways.
        Bytes up = i % 4 == 0 ? request(static_cast<std::uint8_t>(i)) : randomBytes(random, 40);
        if (i % 4 == 1)
            up = {0x2A, 0x2A};
        if (i % 4 == 2)
            up.insert(up.begin(), {0x07, 0x23});
        panel.send(up);
        fromPanel.insert(fromPanel.end(), up.begin(), up.end());
        const Bytes gotUp = card.receive(up.size(), kTimeoutMs);
        atCard.insert(atCard.end(), gotUp.begin(), gotUp.end());

        const Bytes down = i % 3 == 0 ? Bytes{0x01, 0x80, 0xFF} : randomBytes(random, 40);
        card.send(down);
        fromCard.insert(fromCard.end(), down.begin(), down.end());
        const Bytes gotDown = panel.receive(down.size(), kTimeoutMs);
        atPanel.insert(atPanel.end(), gotDown.begin(), gotDown.end());
    }
    EXPECT_EQ(atCard, fromPanel);
    EXPECT_EQ(atPanel, fromCard);
    EXPECT_TRUE(panel.receiveFor(50).empty() && card.receive(1, 50).empty()) << "nothing added";

    EXPECT_EQ(tap.process.stop(), 0);
    Bytes recordedUp, recordedDown;
    int requests = 0;
    for (const TapRow& row : recording(csv)) {
        Bytes& side = row.direction == Direction::PanelToCard ? recordedUp : recordedDown;
        side.insert(side.end(), row.bytes.begin(), row.bytes.end());
        requests += row.kind == RowKind::Request;
    }
    EXPECT_EQ(recordedUp, fromPanel);
    EXPECT_EQ(recordedDown, fromCard);
    EXPECT_GE(requests, 20);
    ::unlink(csv.c_str());
}

TEST(Tap, RowsMatchTheFramesSent)
{
    const std::string csv = tempPath("frames.csv");
    CardProcess card({"--inputs", "0xA5", "--analog1", "51", "--analog2", "255"});
    RunningTap tap(card.readLine(3000), csv);
    CardClient panel(tap.panelPath);
    ASSERT_TRUE(panel.isOpen());
    for (std::uint8_t mask : {0x00, 0x81, 0xFF}) {
        panel.send(request(mask));
        EXPECT_EQ(panel.receive(3, kTimeoutMs), (Bytes{0xA5, 51, 255}));
    }
    EXPECT_EQ(tap.process.stop(), 0);

    std::ifstream file(csv);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].rfind("time,direction,kind,bytes,mask,out1,", 0), 0u);
    const QRegularExpression time(QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d,)"));
    const std::string reply = ",card>panel,reply,A5 33 FF,165,,,,,,,,,1,0,1,0,0,1,0,1,51,1.000,255,5.000,";
    const std::vector<std::string> expected{
        ",panel>card,request,2A 2A 00 23,0,0,0,0,0,0,0,0,0,,,,,,,,,,,,,", reply,
        ",panel>card,request,2A 2A 81 23,129,1,0,0,0,0,0,0,1,,,,,,,,,,,,,", reply,
        ",panel>card,request,2A 2A FF 23,255,1,1,1,1,1,1,1,1,,,,,,,,,,,,,", reply};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(time.match(QString::fromStdString(lines[i + 1])).hasMatch()) << lines[i + 1];
        EXPECT_EQ(lines[i + 1].substr(lines[i + 1].find(',')), expected[i]);
    }
    ::unlink(csv.c_str());
}

TEST(Tap, KeepsGoingWhenThePanelAndTheCardComeAndGo)
{
    const std::string csv = tempPath("return.csv");
    const std::string link = tempPath("card");
    auto card = std::make_unique<CardProcess>(std::vector<std::string>{"--link", link});
    ASSERT_FALSE(card->readLine(3000).empty());
    RunningTap tap(link, csv);
    {
        CardClient panel(tap.panelPath);
        ASSERT_TRUE(answered(panel, kTimeoutMs));
    }
    EXPECT_LT(cpuShare(tap.process, 500), 0.2) << "idle with the panel's end closed";
    CardClient panel(tap.panelPath);
    ASSERT_TRUE(answered(panel, kTimeoutMs)) << "after the panel's end reopened";

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(card->stop(), 0);  // the card's device and its link go away
        panel.send(request(0x01));
        EXPECT_TRUE(panel.receiveFor(200).empty());
        EXPECT_LT(cpuShare(tap.process, 1500), 0.2) << "idle while the card is gone";
        card = std::make_unique<CardProcess>(std::vector<std::string>{"--link", link});
        ASSERT_FALSE(card->readLine(3000).empty());
        EXPECT_TRUE(answered(panel, 3000)) << "after the card came back";
    }
    EXPECT_EQ(tap.process.stop(), 0);
    const std::string errors = tap.process.readErrors(200);
    EXPECT_NE(errors.find("went away"), std::string::npos) << errors;
    EXPECT_NE(errors.find("is back"), std::string::npos) << errors;
    // Each outage is in the recording, and what the panel sent meanwhile is marked.
    int gone = 0, back = 0, notDelivered = 0;
    for (const TapRow& row : recording(csv)) {
        gone += row.kind == RowKind::DeviceGone && row.direction == Direction::None
            && row.note.rfind(link + ": the device went away", 0) == 0;
        back += row.kind == RowKind::DeviceBack && row.note == link;
        notDelivered += row.kind == RowKind::Request && row.note == "not delivered";
    }
    EXPECT_EQ(gone, 2);
    EXPECT_EQ(back, 2);
    EXPECT_GE(notDelivered, 2);
    ::unlink(csv.c_str());
}

TEST(Tap, EachStopSignalEndsItWithinASecondWithEveryRowWritten)
{
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const std::string csv = tempPath("signal.csv");
        CardProcess card({"--inputs", "0x81"});
        RunningTap tap(card.readLine(3000), csv);
        CardClient panel(tap.panelPath);
        for (std::uint8_t mask = 0; mask < 5; ++mask) {
            panel.send(request(mask));
            ASSERT_EQ(panel.receive(3, kTimeoutMs).size(), 3u);
        }
        // At once: the last reply is still waiting to be settled.
        ::kill(tap.process.pid(), signal);
        EXPECT_EQ(tap.process.wait(1000), 0);
        std::ifstream file(csv);
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text.back(), '\n') << "ends mid-row";
        const std::vector<TapRow> rows = recording(csv);
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows.back().kind, RowKind::Reply);
        ::unlink(csv.c_str());
    }
}

// The C library's words for `error` in the user's language, as the tap says them: the
// tap takes the locale of its environment, this test process does not.
static std::string userStrerror(int error)
{
    const locale_t user = ::newlocale(LC_ALL_MASK, "", nullptr);
    const std::string words = user ? ::strerror_l(error, user) : std::strerror(error);
    if (user)
        ::freelocale(user);
    return words;
}

TEST(Tap, FullDiskIsReportedOnceAndForwardingGoesOn)
{
    CardProcess card({});
    RunningTap tap(card.readLine(3000), "/dev/full");
    CardClient panel(tap.panelPath);
    for (int i = 0; i < 5; ++i) {
        panel.send(request(static_cast<std::uint8_t>(i)));
        EXPECT_EQ(panel.receive(3, kTimeoutMs).size(), 3u);
    }
    EXPECT_EQ(tap.process.stop(), 0);
    const std::string errors = tap.process.readErrors(200);
    EXPECT_NE(errors.find(userStrerror(ENOSPC)), std::string::npos) << errors;
    EXPECT_EQ(errors.find("cannot write"), errors.rfind("cannot write")) << "said once: " << errors;
}

TEST(Tap, RefusesAMissingDeviceAndABadCommandLine)
{
    CardProcess missing(TAP_PATH, {"/nonexistent/ttyUSB9"});
    EXPECT_EQ(missing.wait(3000), 1);
    EXPECT_NE(missing.readErrors(200).find("/nonexistent/ttyUSB9"), std::string::npos);
    CardProcess bad(TAP_PATH, {"--size", "10x10", "Com1"});
    EXPECT_EQ(bad.wait(3000), 2);
}

TEST(Replay, GivesBackTheRecordedRepliesInOrder)
{
    const std::string csv = tempPath("replay.csv");
    Bytes recorded;
    {
        // Sweeping values, so each reply differs from the one before.
        CardProcess card({"--sweep", "--follow-outputs"});
        RunningTap tap(card.readLine(3000), csv);
        CardClient panel(tap.panelPath);
        for (std::uint8_t mask = 1; mask <= 4; ++mask) {
            panel.send(request(mask));
            const Bytes reply = panel.receive(3, kTimeoutMs);
            recorded.insert(recorded.end(), reply.begin(), reply.end());
            sleepMs(30);
        }
        ASSERT_EQ(tap.process.stop(), 0);
    }
    ASSERT_EQ(recorded.size(), 12u);
    const Bytes first(recorded.begin(), recorded.begin() + 3);
    const Bytes last(recorded.end() - 3, recorded.end());

    for (bool loop : {false, true}) {
        SCOPED_TRACE(loop);
        std::vector<std::string> args{"--replay", csv};
        if (loop)
            args.push_back("--loop");
        CardProcess replay(args);
        CardClient panel(replay.readLine(3000));
        Bytes got;
        for (int i = 0; i < 5; ++i) {
            panel.send(request(0x00));
            const Bytes reply = panel.receive(3, kTimeoutMs);
            got.insert(got.end(), reply.begin(), reply.end());
        }
        Bytes expected = recorded;
        const Bytes& fifth = loop ? first : last;
        expected.insert(expected.end(), fifth.begin(), fifth.end());
        EXPECT_EQ(got, expected);
    }

    std::ofstream(csv) << "not,a,recording\n";
    CardProcess refused({"--replay", csv});
    EXPECT_EQ(refused.wait(3000), 1);
    EXPECT_NE(refused.readErrors(200).find(csv), std::string::npos);
    ::unlink(csv.c_str());
}

TEST(Tap, AReaderThatStopsReadingNeverHoldsUpTheLine)
{
    CardProcess card({});
    CardProcess tap(TAP_PATH, {card.readLine(3000)});  // the rows go to standard output
    const std::string panelPath = tap.readErrorLine(3000);
    ASSERT_EQ(panelPath.rfind("/dev/pts/", 0), 0u) << panelPath;
    // The smallest pipe there is, which the test does not read for five seconds.
    ASSERT_GT(::fcntl(tap.outputFd(), F_SETPIPE_SZ, 4096), 0);
    CardClient panel(panelPath);
    ASSERT_TRUE(panel.isOpen());
    int exchanges = 0;
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
         std::chrono::steady_clock::now() < end; ++exchanges) {
        panel.send(request(static_cast<std::uint8_t>(exchanges)));
        ASSERT_EQ(panel.receive(3, 2000).size(), 3u) << "exchange " << exchanges;
    }
    EXPECT_GT(exchanges, 50) << "many times what the pipe holds";

    const auto stopped = std::chrono::steady_clock::now();
    EXPECT_EQ(tap.stop(3000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::seconds(2));
    EXPECT_TRUE(contains(tap.readErrors(200), "rows could not be written to standard output"));
    // What did go out is whole rows.
    ::fcntl(tap.outputFd(), F_SETFL, O_NONBLOCK);
    std::string rows;
    char chunk[4096];
    for (ssize_t n; (n = ::read(tap.outputFd(), chunk, sizeof chunk)) > 0;)
        rows.append(chunk, static_cast<std::size_t>(n));
    EXPECT_EQ(rows.rfind("time,direction,", 0), 0u);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back(), '\n');
    const ReadBack read = readBack(rows);
    EXPECT_TRUE(read.ok && read.warnings.empty() && !read.rows.empty())
        << read.error << (read.warnings.empty() ? std::string() : " / " + read.warnings.front()) << "\nlast row: "
        << rows.substr(rows.rfind('\n', rows.size() - 2) + 1);
}

TEST(Tap, LeavesTheCardsDeviceFreeWhenStopped)
{
    const std::string csv = tempPath("free.csv");
    CardEnd card;
    RunningTap tap(card.path(), csv);
    ASSERT_FALSE(tap.panelPath.empty());
    EXPECT_EQ(exclusive(card.path()), 1) << "held for itself while it runs";
    ::kill(tap.process.pid(), SIGINT);
    EXPECT_EQ(tap.process.wait(3000), 0);
    EXPECT_EQ(exclusive(card.path()), 0);
    ::unlink(csv.c_str());
}

TEST(Tap, ReplacesNoFileItWasNotAskedTo)
{
    CardEnd card;
    const std::string notes = tempPath("notes.txt");
    const std::string csv = tempPath("kept.csv");
    std::ofstream(notes) << "keep me\n";
    const auto refused = [&](const std::vector<std::string>& args, const std::string& why) {
        CardProcess tap(TAP_PATH, args);
        EXPECT_EQ(tap.wait(3000), 2) << args.front();
        EXPECT_TRUE(contains(tap.readErrors(200), why)) << args.front();
    };
    refused({"--link", notes, "--csv", csv, card.path()}, "is not a symbolic link");
    refused({"--csv", notes, card.path()}, "add to it with --append, replace it with --force");
    refused({"--csv", notes, "--append", card.path()}, "is not a recording");
    EXPECT_EQ(contents(notes), "keep me\n");

    // A recording of one request, then another added to it, then one that replaces both.
    const auto run = [&](std::uint8_t mask, const std::vector<std::string>& more) {
        RunningTap tap(card.path(), csv, more);
        CardClient panel(tap.panelPath);
        panel.send(request(mask));
        EXPECT_EQ(card.receive(4, kTimeoutMs), request(mask));
        EXPECT_EQ(tap.process.stop(), 0);
    };
    const auto masks = [&] {
        std::vector<int> seen;
        for (const TapRow& row : recording(csv))
            seen.push_back(row.bytes.at(2));
        return seen;
    };
    run(0x11, {});
    refused({"--csv", csv, card.path()}, "already holds");
    run(0x22, {"--append"});
    EXPECT_EQ(masks(), (std::vector<int>{0x11, 0x22}));
    run(0x33, {"--force"});
    EXPECT_EQ(masks(), (std::vector<int>{0x33}));
    ::unlink(notes.c_str());
    ::unlink(csv.c_str());
}

TEST(Tap, NamesDevicesAsThePanelDoes)
{
    const std::string csv = tempPath("names.csv");
    CardEnd card;
    {
        // "pts/N" is /dev/pts/N to the panel, so to the tap too.
        RunningTap tap(card.path().substr(std::string("/dev/").size()), csv);
        ASSERT_FALSE(tap.panelPath.empty()) << tap.process.readErrors(200);
        CardClient panel(tap.panelPath);
        panel.send(request(0x5A));
        EXPECT_EQ(card.receive(4, kTimeoutMs), request(0x5A));
    }
    if (card_link::presentPorts().size() < 4 && qEnvironmentVariableIsEmpty("PELMORA_COM4")) {
        CardProcess missing(TAP_PATH, {"Com4"});
        EXPECT_EQ(missing.wait(3000), 1);
        EXPECT_EQ(missing.readErrors(200),
                  "pelmora-tap: Com4: this computer has no serial port number 4 (and PELMORA_COM4 is not set)\n");
    }
    ::unlink(csv.c_str());
}

} // namespace
