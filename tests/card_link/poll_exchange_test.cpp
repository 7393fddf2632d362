#include "card_link/poll_exchange.h"
#include "fake_serial_port.h"

#include <gtest/gtest.h>

using namespace card_link;

namespace {

// Records what the exchange shows, in order, with the yields between.
struct RecordingView : ExchangeView {
    void setGaugeValue(int gauge, double volts) override
    {
        gauges[gauge] = volts;
        log += QStringLiteral("g%1 ").arg(gauge);
    }
    void pilota_led(int quale_led, int acceso) override
    {
        leds[7 - quale_led] = acceso == 1;
        log += QStringLiteral("l%1 ").arg(7 - quale_led);
    }
    void yieldEvents() override { log += QStringLiteral("y "); }

    double gauges[2] = {-1, -1};
    bool leds[8] = {};
    QString log;
};

struct PollExchange : ::testing::Test {
    PollExchange() { port.open = true; }
    void exchangeWithReply(const QByteArray& reply)
    {
        port.reads = {reply};
        comunica(port, 0x5A, view);
    }
    FakeSerialPort port;
    RecordingView view;
};

} // namespace

TEST_F(PollExchange, ShowsReplyOnGaugesAndLedsWithNineYields)
{
    exchangeWithReply(QByteArray::fromHex("0500ff"));
    ASSERT_EQ(port.written, QByteArrayList{QByteArray::fromHex("2a2a5a23")});
    EXPECT_DOUBLE_EQ(view.gauges[0], 0.0);
    EXPECT_DOUBLE_EQ(view.gauges[1], 5.0);
    const bool expected[8] = {true, false, true, false, false, false, false, false};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(view.leds[i], expected[i]) << "input " << i;
    EXPECT_EQ(view.log, "g0 g1 y l0 y l1 y l2 y l3 y l4 y l5 y l6 y l7 y ");
}

TEST_F(PollExchange, HighInputBitLightsTheLastLed)
{
    exchangeWithReply(QByteArray::fromHex("803380"));
    EXPECT_DOUBLE_EQ(view.gauges[0], 1.0);
    EXPECT_DOUBLE_EQ(view.gauges[1], 640.0 / 255.0);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(view.leds[i], i == 7) << "input " << i;
}

TEST_F(PollExchange, EmptyOrDoubleReadShowsNothingButStillSends)
{
    exchangeWithReply(QByteArray());
    exchangeWithReply(QByteArray::fromHex("0500ff0500ff"));
    EXPECT_EQ(port.written.size(), 2);
    EXPECT_TRUE(view.log.isEmpty());
    EXPECT_EQ(view.gauges[0], -1);
}

TEST_F(PollExchange, ClosedOrFailingPortIsSkipped)
{
    port.open = false;
    exchangeWithReply(QByteArray::fromHex("0500ff"));
    port.open = true;
    port.failWrites = true;
    exchangeWithReply(QByteArray::fromHex("0500ff"));
    EXPECT_TRUE(port.written.isEmpty());
    EXPECT_TRUE(view.log.isEmpty());
}
