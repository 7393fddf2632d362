// The writer the tap hands its rows to: it never makes the tap wait, counts what it had
// to leave out, and never leaves half a row in a file.
#include "background_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Rows of one length.
std::string row(int n)
{
    char text[64];
    std::snprintf(text, sizeof text, "row %05d ........................................\n", n);
    return text;
}

std::string drain(int fd)
{
    std::string text;
    char chunk[4096];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, static_cast<std::size_t>(n));
    return text;
}

TEST(BackgroundWriter, AStalledReaderCostsRowsNotTimeAndTheirCountIsWrittenLater)
{
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    ASSERT_GT(::fcntl(pipeEnds[0], F_SETPIPE_SZ, 4096), 0);
    BackgroundWriter::Hooks hooks;
    int firstDrops = 0;
    hooks.firstDrop = [&] { ++firstDrops; };
    hooks.dropNotice = [](std::uint64_t count) { return "dropped " + std::to_string(count) + "\n"; };
    BackgroundWriter writer(pipeEnds[1], true, 8 * 1024, hooks);
    writer.start();

    // Far more than the pipe and the queue hold; nobody reads.
    const auto start = Clock::now();
    for (int n = 0; n < 2000; ++n)
        writer.add(row(n));
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "adding never waits for the reader";
    EXPECT_EQ(firstDrops, 1);

    // The reader reads again, to the end. Once what was queued has gone through, the
    // count goes in ahead of the next row.
    std::string text;
    std::atomic<std::size_t> got{0};
    std::thread reader([&] {
        char chunk[4096];
        for (ssize_t n; (n = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0; got += static_cast<std::size_t>(n))
            text.append(chunk, static_cast<std::size_t>(n));
    });
    for (std::size_t seen = 0, still = 0; still < 5; seen = got) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        still = got == seen && seen > 0 ? still + 1 : 0;
    }
    writer.add(row(2000));
    const BackgroundWriter::Outcome outcome = writer.finish(std::chrono::seconds(5));
    reader.join();
    ::close(pipeEnds[0]);

    EXPECT_EQ(outcome.unwritten, 0u);
    ASSERT_GT(outcome.dropped, 0u);
    // Every row is written once or counted as left out.
    std::size_t rows = 0;
    std::uint64_t counted = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("row ", 0) == 0)
            ++rows;
        else if (line.rfind("dropped ", 0) == 0)
            counted += std::stoull(line.substr(8));
        else
            ADD_FAILURE() << "a broken line: " << line;
    }
    EXPECT_EQ(counted, outcome.dropped);
    EXPECT_EQ(rows + outcome.dropped, 2001u);
    EXPECT_EQ(text.back(), '\n');
}

TEST(BackgroundWriter, GivesUpOnAStalledReaderInTheTimeGiven)
{
    int pipeEnds[2];
    ASSERT_EQ(::pipe2(pipeEnds, O_CLOEXEC), 0);
    ASSERT_GT(::fcntl(pipeEnds[0], F_SETPIPE_SZ, 4096), 0);
    {
        BackgroundWriter writer(pipeEnds[1], false, 1024 * 1024);
        writer.start();
        for (int n = 0; n < 500; ++n)
            writer.add(row(n));
        const auto start = Clock::now();
        const BackgroundWriter::Outcome outcome = writer.finish(std::chrono::milliseconds(200));
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
        EXPECT_GT(outcome.unwritten, 0u);
        EXPECT_EQ(outcome.dropped, 0u);
    }
    // What the pipe got is whole rows.
    ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
    const std::string text = drain(pipeEnds[0]);
    EXPECT_GT(text.size(), 0u);
    EXPECT_EQ(text.size() % row(0).size(), 0u);
    // The abandoned thread's next write fails (no SIGPIPE from then on in this test
    // program) and it ends; its descriptor stays open (it was not the writer's to close),
    // so no later file can take its number.
    std::signal(SIGPIPE, SIG_IGN);
    ::close(pipeEnds[0]);
}

TEST(BackgroundWriter, AFileThatCannotGrowIsCutBackToItsLastWholeRow)
{
    const std::string path = testing::TempDir() + "background_writer_" + std::to_string(::getpid()) + ".csv";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    // A disk that fills part way through a write: the size limit takes the first bytes
    // of a write and refuses the rest.
    const std::size_t limit = 10 * row(0).size() + 7;
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = limit;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);

    int failures = 0;
    BackgroundWriter::Hooks hooks;
    hooks.failed = [&](const std::string&) { ++failures; };
    BackgroundWriter writer(fd, true, 1024 * 1024, hooks);
    std::string all;
    for (int n = 0; n < 30; ++n)
        all += row(n);
    writer.add(all);  // queued before the thread starts, so it goes as one chunk
    writer.start();
    const BackgroundWriter::Outcome outcome = writer.finish(std::chrono::seconds(5));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    ::unlink(path.c_str());
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(text.size(), 10 * row(0).size());
    EXPECT_EQ(text, all.substr(0, text.size()));
    EXPECT_EQ(outcome.unwritten, 20u);
}

} // namespace
