// The live chart's side of the tap, in process and offscreen: the forwarding loop in a
// thread of its own feeding the window through the feed's pipe, as it feeds the chart's
// process; the trace kept to its window, and the lines drawn from it.
#include "card_client.h"
#include "card_device.h"
#include "card_terminal.h"
#include "forwarding_loop.h"
#include "live_feed.h"
#include "live_traces.h"
#include "live_values.h"
#include "live_window.h"
#include "recording_rows.h"

#include <QApplication>
#include <algorithm>
#include <QThread>
#include <QElapsedTimer>
#include <QLabel>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/eventfd.h>
#include <atomic>
#include <memory>
#include <unistd.h>

namespace {

constexpr std::int64_t kStartUs = 1'700'000'000'000'000;

TapRow requestRow(std::int64_t us, std::uint8_t mask, const std::string& note = {})
{
    return {us, Direction::PanelToCard, RowKind::Request, {0x2A, 0x2A, mask, 0x23}, note};
}

TapRow replyRow(std::int64_t us, std::uint8_t inputs, std::uint8_t raw1, std::uint8_t raw2)
{
    return {us, Direction::CardToPanel, RowKind::Reply, {inputs, raw1, raw2}, {}};
}

// Everything the card's end has sent so far, waiting at most `ms` for the first of it.
Bytes readAll(int fd, int ms)
{
    Bytes bytes;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, bytes.empty() ? ms : 5) > 0) {
        std::uint8_t chunk[256];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

// `count` exchanges through the tap, the test playing the card on `cardMaster`: reply i
// is i, 6i, 255 - i.
void exchange(CardClient& panel, int cardMaster, int count)
{
    for (int i = 0; i < count; ++i) {
        panel.send(request(static_cast<std::uint8_t>(i * 7)));
        ASSERT_EQ(readAll(cardMaster, 1000).size(), 4u);
        const Bytes reply = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i * 6),
                             static_cast<std::uint8_t>(255 - i)};
        ASSERT_EQ(::write(cardMaster, reply.data(), 3), 3);
        ASSERT_EQ(panel.receive(3, 1000), reply);
        // The window's thread takes what came while the next exchange goes on.
        QApplication::processEvents();
    }
}

// The redraw that follows what came, which the updater holds back to at most one per kRedrawMs.
void waitForRedraw()
{
    QElapsedTimer redraw;
    redraw.start();
    while (redraw.elapsed() < LiveUpdater::kRedrawMs + 100)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The requests and replies in a recording.
int recordedFrames(const std::string& csv)
{
    int frames = 0;
    for (const TapRow& row : readBackFile(csv).rows)
        frames += row.kind == RowKind::Request || row.kind == RowKind::Reply;
    return frames;
}

// The values shown are those of the 40th exchange: request 39 * 7, reply 39, 234, 216.
void expectLastExchangeShown(const LiveWindow& window)
{
    const auto shown = [&](const char* name) { return window.findChild<QLabel*>(name)->text().toStdString(); };
    EXPECT_EQ(shown("analogue1"), "4.59 V");
    EXPECT_EQ(shown("analogue2"), "4.24 V");
    EXPECT_EQ(shown("inputs"), "1 1 1 0 0 1 0 0");
    EXPECT_EQ(shown("outputs"), "0 0 0 1 0 0 0 1");  // mask 39 * 7 = 273: 0x11
    EXPECT_NE(shown("status").find("80 frames"), std::string::npos) << shown("status");
    EXPECT_TRUE(window.windowTitle().contains(QStringLiteral("test card")));
}

TEST(LiveChart, GetsEveryFrameTheRecordingGetsAndShowsTheLastReply)
{
    std::string error;
    CardTerminal cardEnd;  // the test plays the card on its master
    CardTerminal panelEnd;
    ASSERT_TRUE(cardEnd.open(error) && panelEnd.open(error)) << error;
    const std::string csv = testing::TempDir() + "live_chart_" + std::to_string(getpid()) + ".csv";
    const int csvFd = ::open(csv.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    BackgroundWriter rows(csvFd, true, 1 << 20);
    BackgroundWriter messages(nowhere, true, 1 << 16);
    rows.start();
    messages.start();
    rows.add(csvHeader());
    const int stop = ::eventfd(0, EFD_CLOEXEC);

    // The two ends of the feed, as the tap and the chart's process each hold one.
    LiveFeed feed;
    LiveFeed chartEnd(feed.releaseReadEnd());
    LiveWindow window(QStringLiteral("test card"), 60, chartEnd);
    window.show();
    // The card's port object lives in the thread that forwards, as in the tap.
    std::atomic<int> cardOpen{-1};
    std::unique_ptr<QThread> forwarding(QThread::create([&] {
        CardDevice card([path = cardEnd.slavePath()](std::string&) { return path; });
        cardOpen = card.open(error) ? 1 : 0;
        ForwardingLoop loop(card, rows, messages, stop);
        loop.showRowsTo([&feed](const std::vector<TapRow>& rows) { feed.add(rows); });
        if (cardOpen == 1)
            loop.run(panelEnd, error);
    }));
    forwarding->start();
    while (cardOpen < 0)
        QThread::yieldCurrentThread();
    if (cardOpen == 0)
        forwarding->wait();
    ASSERT_EQ(cardOpen, 1) << error;

    CardClient panel(panelEnd.slavePath());
    ASSERT_TRUE(panel.isOpen());
    exchange(panel, cardEnd.master(), 40);
    const std::uint64_t one = 1;
    ASSERT_EQ(::write(stop, &one, sizeof one), ssize_t(sizeof one));  // the stop signal, as the tap gets it
    forwarding->wait();
    rows.finish(std::chrono::seconds(2));
    messages.finish(std::chrono::seconds(1));
    window.updater().takeWaiting();
    waitForRedraw();

    const int frames = recordedFrames(csv);
    EXPECT_EQ(frames, 80);
    EXPECT_EQ(window.trace().frames(), std::uint64_t(frames));
    EXPECT_EQ(window.updater().leftOut(), 0u);

    expectLastExchangeShown(window);
    ::close(stop);
    ::unlink(csv.c_str());
}

TEST(LiveTrace, KeepsOneWindowCountsEveryFrameAndBreaksTheLinesAtAnOutage)
{
    LiveTrace trace(60);
    // Two minutes of polling, then an outage with one request that reached no card.
    for (int i = 0; i < 1200; ++i) {
        trace.add(requestRow(kStartUs + i * 100'000, 0x80));
        trace.add(replyRow(kStartUs + i * 100'000 + 2000, 0x01, 51, 255));
    }
    // The window and the one before it (give or take the one at its very edge).
    EXPECT_GE(trace.volts().size(), 601u);
    EXPECT_LE(trace.volts().size(), 602u);
    EXPECT_LE(trace.volts()[1].seconds - trace.volts()[0].seconds, 0.1 + 1e-6);
    trace.add({kStartUs + 120'000'000, Direction::None, RowKind::DeviceGone, {}, "/dev/ttyUSB0: hung up"});
    trace.add(requestRow(kStartUs + 120'100'000, 0xFF, "not delivered"));
    EXPECT_EQ(liveValues(trace).outputs, QStringLiteral("1 0 0 0 0 0 0 0")) << "what reached the card";
    EXPECT_TRUE(liveValues(trace).status.contains(QStringLiteral("hung up")));
    trace.add({kStartUs + 121'000'000, Direction::None, RowKind::DeviceBack, {}, "/dev/ttyUSB0"});
    trace.add(replyRow(kStartUs + 121'100'000, 0x80, 0, 128));
    EXPECT_EQ(trace.frames(), 2402u);
    EXPECT_TRUE(trace.volts().back().afterGap);
    const LiveValues values = liveValues(trace);
    EXPECT_EQ(values.analogue1, QStringLiteral("0.00 V"));
    EXPECT_EQ(values.analogue2, QStringLiteral("2.51 V"));
    EXPECT_EQ(values.inputs, QStringLiteral("0 0 0 0 0 0 0 1"));
    const ChartTime window{(kStartUs + 61'100'000) / 1e6, (kStartUs + 121'100'000) / 1e6, true};
    const ChartTraces::Samples volts = liveTraces(trace, window, 600).volts1;
    EXPECT_EQ(std::count_if(volts.begin(), volts.end(), [](const auto& s) { return s.afterGap; }), 1)
        << "broken at the outage";
}

TEST(LiveTraces, AWindowOfAnHourCostsNoMoreThanItsWidth)
{
    LiveTrace trace(3600);
    for (int i = 0; i < 36000; ++i) {
        const auto on = static_cast<std::uint8_t>(i % 2 ? 0x01 : 0x00);  // In 1 flips on every reply
        trace.add(replyRow(kStartUs + i * 100'000LL, on, static_cast<std::uint8_t>(i % 256), 0));
    }
    const ChartTime window{kStartUs / 1e6, (kStartUs + 3'600'000'000LL) / 1e6, true};
    const ChartTraces traces = liveTraces(trace, window, 500);
    const auto [lowest, highest] = std::minmax_element(traces.volts1.begin(), traces.volts1.end(),
                                                       [](const auto& a, const auto& b) { return a.value < b.value; });
    EXPECT_LE(traces.volts1.size(), 4u * 501);
    // Every column still reaches from the lowest to the highest value in it.
    EXPECT_EQ(lowest->value, 0.0);
    EXPECT_EQ(highest->value, 5.0);
    const ChartTraces::Samples& flipping = traces.inputs[0];
    EXPECT_LE(flipping.size(), 4u * 501);
    EXPECT_TRUE(std::any_of(flipping.begin(), flipping.end(), [](const auto& s) { return s.value == 1; }))
        << "both levels kept";
    EXPECT_TRUE(std::all_of(traces.inputs[5].begin(), traces.inputs[5].end(), [](const auto& s) { return s.value == 0; }));
}

TEST(LiveFeed, CarriesOnlyFramesAndEndsWithItsWriter)
{
    auto feed = std::make_unique<LiveFeed>();
    LiveFeed chartEnd(feed->releaseReadEnd());
    ASSERT_GE(chartEnd.fd(), 0);
    const TapRow gone{kStartUs, Direction::None, RowKind::DeviceGone, {}, "/dev/ttyUSB0: hung up"};
    for (int batch = 0; batch < 3; ++batch)
        feed->add({requestRow(kStartUs + batch, 1), replyRow(kStartUs, 1, 2, 3),
                   {kStartUs, Direction::CardToPanel, RowKind::Unframed, {0x55}, {}}, gone});
    pollfd ready{chartEnd.fd(), POLLIN, 0};
    EXPECT_EQ(::poll(&ready, 1, 0), 1) << "readable while rows wait";
    const std::vector<TapRow> rows = chartEnd.take();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[3].wallUs, kStartUs + 1);
    EXPECT_EQ(rows[3].bytes, requestRow(0, 1).bytes);
    EXPECT_EQ(rows[5].note, gone.note);
    EXPECT_EQ(::poll(&ready, 1, 0), 0) << "nothing left once taken";
    EXPECT_FALSE(chartEnd.ended());
    feed.reset();
    EXPECT_TRUE(chartEnd.take().empty());
    EXPECT_TRUE(chartEnd.ended()) << "the tap has gone";
}

TEST(LiveFeed, RowsThatFindThePipeFullAreLeftOutAndCounted)
{
    LiveFeed feed;
    LiveFeed chartEnd(feed.releaseReadEnd());
    constexpr int kBatches = 400;
    constexpr int kBatchRows = 500;  // 200,000 rows: more than the pipe holds
    std::vector<TapRow> batch;
    for (int i = 0; i < kBatchRows; ++i)
        batch.push_back(replyRow(kStartUs + i, 1, 2, 3));
    for (int i = 0; i < kBatches; ++i)
        feed.add(batch);  // never waits, whatever the reader does
    std::uint64_t leftOut = 0;
    const std::size_t taken = chartEnd.take(&leftOut).size();
    EXPECT_GT(taken, 0u);
    EXPECT_EQ(leftOut, 0u) << "the count comes with the next rows that fit";
    feed.add({requestRow(kStartUs, 7)});
    const std::vector<TapRow> next = chartEnd.take(&leftOut);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].kind, RowKind::Request);
    EXPECT_GT(leftOut, 0u);
    EXPECT_EQ(taken + leftOut, std::size_t(kBatches) * kBatchRows) << "every row shown or counted";
}

} // namespace
