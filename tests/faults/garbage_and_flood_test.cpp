// A card that answers with random bytes, and one that sends far faster than it is
// asked: memory stays bounded, the window stays responsive, and the screen changes
// only on a read of exactly three bytes, showing what those bytes say.
#include "card_and_panel_processes.h"
#include "event_loop_watch.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "recording_serial_port.h"
#include "scoped_environment.h"

#include "card_link/qt_serial_port.h"
#include "gauge/gaugix_identity.h"
#include "gauge_reading.h"

#include <QLabel>
#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// What the window shows of the card: the two readouts and which input LEDs are lit.
struct Screen {
    QString readout1, readout2;
    int litInputs = 0;
    bool operator==(const Screen& other) const
    {
        return readout1 == other.readout1 && readout2 == other.readout2 && litInputs == other.litInputs;
    }
    bool operator!=(const Screen& other) const { return !(*this == other); }
};

Screen screenOf(const panel::Form1& form)
{
    Screen screen;
    screen.readout1 = gaugeReadout(form.v_meter1(0)->widget());
    screen.readout2 = gaugeReadout(form.v_meter1(1)->widget());
    const qint64 lit = form.picLedOn()->pixmap().cacheKey();
    for (int i = 0; i < 8; ++i)
        if (form.led_ingresso(i)->pixmap().cacheKey() == lit)
            screen.litInputs |= 1 << i;
    return screen;
}

struct PollingRecord {
    QList<RecordingSerialPort<Screen>::Read> reads;
    Screen finalScreen;
    qint64 worstLatenessMs = 0;
    double cpuShare = 0;
    qint64 residentGrowthKib = 0;
};

// Polls a virtual card started with `cardOptions` for `ms` milliseconds, recording every read.
PollingRecord pollCard(const QStringList& cardOptions, int ms)
{
    PollingRecord run;
    VirtualCard card(cardOptions);
    EXPECT_FALSE(card.device().isEmpty());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", card.device().toLocal8Bit());
    card_link::QtSerialPort serial;
    RecordingSerialPort<Screen> port(serial);
    panel::Form1 form(&port);
    port.watchScreen([&form] { return screenOf(form); });
    form.Form_Load();
    EXPECT_TRUE(form.MSComm1().portOpen());
    runEventsFor(500);  // start-up allocations are not growth

    const qint64 residentBefore = processResidentKib(getpid());
    EventLoopWatch watch;
    runEventsFor(ms);
    run.worstLatenessMs = watch.worstLatenessMs();
    run.cpuShare = watch.cpuShare();
    run.residentGrowthKib = processResidentKib(getpid()) - residentBefore;
    run.reads = port.reads;
    run.finalScreen = screenOf(form);
    return run;
}

// Every change of the screen follows a 3-byte read, and a 3-byte read shows its input mask.
void expectScreenFollowsThreeByteReads(const PollingRecord& run)
{
    for (qsizetype k = 0; k < run.reads.size(); ++k) {
        const QByteArray& bytes = run.reads[k].bytes;
        const Screen& after = k + 1 < run.reads.size() ? run.reads[k + 1].screenBefore : run.finalScreen;
        if (bytes.size() == 3)
            EXPECT_EQ(after.litInputs, static_cast<quint8>(bytes[0])) << "read " << k;
        else
            EXPECT_TRUE(after == run.reads[k].screenBefore) << "read " << k << " of " << bytes.size() << " bytes";
    }
}

qsizetype longestRead(const PollingRecord& run)
{
    qsizetype longest = 0;
    for (const auto& read : run.reads)
        longest = std::max(longest, read.bytes.size());
    return longest;
}

} // namespace

TEST(GarbageAndFlood, RandomBytesChangeTheScreenOnlyOnThreeByteReads)
{
    const PollingRecord run = pollCard({"--garbage", "--seed", "6"}, 5000);
    ASSERT_GE(run.reads.size(), 30);
    const auto threes = std::count_if(run.reads.begin(), run.reads.end(), [](const auto& r) { return r.bytes.size() == 3; });
    ASSERT_GT(threes, 0) << "no read of three bytes: the run tests nothing";
    ASSERT_LT(threes, run.reads.size()) << "only reads of three bytes: the run tests nothing";
    expectScreenFollowsThreeByteReads(run);
    EXPECT_LE(longestRead(run), card_link::QtSerialPort::kInputBufferSize);
    EXPECT_LT(run.worstLatenessMs, 1000);  // the window answers; how fast is the benchmark's
    EXPECT_LT(run.residentGrowthKib, 8 * 1024);
}

TEST(GarbageAndFlood, FloodingCardLeavesMemoryBoundedAndTheWindowResponsive)
{
    const PollingRecord run = pollCard({"--flood", "2000", "--inputs", "0x5a"}, 5000);
    ASSERT_GE(run.reads.size(), 30);
    // Twenty replies arrive between two polls, so no read is a reply and nothing is shown.
    expectScreenFollowsThreeByteReads(run);
    EXPECT_NE(run.finalScreen.litInputs, 0x5a);
    EXPECT_LE(longestRead(run), card_link::QtSerialPort::kInputBufferSize);
    EXPECT_LT(run.worstLatenessMs, 1000);  // the window answers; how fast is the benchmark's
    EXPECT_LT(run.cpuShare, 0.5);
    EXPECT_LT(run.residentGrowthKib, 8 * 1024);
}

TEST(GarbageAndFlood, InputBufferHoldsAtMost1024BytesWhileNobodyReads)
{
    VirtualCard card({"--flood", "2000"});
    ASSERT_FALSE(card.device().isEmpty());
    card_link::QtSerialPort serial;
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", card.device().toLocal8Bit());
    serial.setPortNumber(1);
    serial.setPortOpen(true);
    serial.input();
    runEventsFor(1500);  // about 9000 bytes sent meanwhile
    EXPECT_EQ(serial.input().size(), card_link::QtSerialPort::kInputBufferSize);
}
