// The real serial layer over a pseudo-terminal, the test playing the card.
#include "card_link/poll_exchange.h"
#include "card_link/qt_serial_port.h"
#include "card_and_panel_processes.h"
#include "pseudo_terminal.h"
#include "port_messages/port_messages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <memory>
#include <vector>

using namespace card_link;

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct ShownState : ExchangeView {
    void setGaugeValue(int gauge, double volts) override { gauges[gauge] = volts; ++updates; }
    void pilota_led(int quale_led, int acceso) override { leds[7 - quale_led] = acceso == 1; }
    void yieldEvents() override { QCoreApplication::processEvents(); }
    double gauges[2] = {-1, -1};
    bool leds[8] = {};
    int updates = 0;
};

struct SerialLink : ::testing::Test {
    SerialLink() { qputenv("PELMORA_COM1", card.slavePath().toLocal8Bit()); }
    ~SerialLink() override { qunsetenv("PELMORA_COM1"); }
    PseudoTerminal card;
    QtSerialPort port;
};

} // namespace

TEST_F(SerialLink, OpensNamedDeviceExclusively)
{
    EXPECT_EQ(port.deviceName(), card.slavePath());
    port.setPortOpen(true);
    EXPECT_TRUE(port.portOpen());
    EXPECT_THROW(port.setPortNumber(2), SerialError);

    QtSerialPort second;
    EXPECT_THROW(second.setPortOpen(true), SerialError);
    EXPECT_FALSE(second.portOpen());

    port.setPortOpen(false);
    second.setPortOpen(true);
    EXPECT_TRUE(second.portOpen());
}

TEST_F(SerialLink, ADeviceNameMeansWhatItOpensEverywhere)
{
    // "pts/N" is opened as /dev/pts/N, and so it is named.
    qputenv("PELMORA_COM1", card.slavePath().mid(5).toLocal8Bit());
    EXPECT_EQ(port.deviceName(), card.slavePath());
    port.setPortOpen(true);
    EXPECT_TRUE(port.portOpen());
    port.setPortOpen(false);

    qputenv("PELMORA_COM2", "pelmora-no-such-device");
    port.setPortNumber(2);
    try {
        port.setPortOpen(true);
        ADD_FAILURE() << "opened a missing device";
    } catch (const SerialError& error) {
        EXPECT_TRUE(card_link::portMessage(error.problem()).startsWith("/dev/pelmora-no-such-device non esiste"))
            << error.what();
    }
    qunsetenv("PELMORA_COM2");
    for (int number : {0, 5, 16})
        EXPECT_THROW(port.setPortNumber(number), SerialError) << number;
}

TEST_F(SerialLink, MissingDeviceFailsAndStaysClosed)
{
    qputenv("PELMORA_COM2", "/dev/pelmora-no-such-device");
    port.setPortNumber(2);
    EXPECT_THROW(port.setPortOpen(true), SerialError);
    EXPECT_FALSE(port.portOpen());
    EXPECT_THROW(port.output("**\x00#"), SerialError);
    EXPECT_THROW(port.output("**\0#"), SerialError);
    qunsetenv("PELMORA_COM2");
}

TEST_F(SerialLink, FirstExchangeFindsNothingTheNextShowsTheReply)
{
    port.setPortOpen(true);
    ShownState shown;
    comunica(port, 0x81, shown);
    EXPECT_EQ(shown.updates, 0);
    EXPECT_EQ(card.receive(4, 1000), QByteArray::fromHex("2a2a8123"));

    card.send(QByteArray::fromHex("033380"));
    runEventsFor(50);
    comunica(port, 0x81, shown);
    EXPECT_EQ(shown.updates, 2);
    EXPECT_DOUBLE_EQ(shown.gauges[0], 1.0);
    EXPECT_DOUBLE_EQ(shown.gauges[1], 640.0 / 255.0);
    EXPECT_TRUE(shown.leds[0]);
    EXPECT_TRUE(shown.leds[1]);
    EXPECT_FALSE(shown.leds[2]);
}

TEST_F(SerialLink, UnplugReleasesThePortWithoutSpinning)
{
    port.setPortOpen(true);
    ShownState shown;
    card.send(QByteArray::fromHex("0500ff"));
    runEventsFor(50);
    comunica(port, 0, shown);
    ASSERT_EQ(shown.updates, 2);

    bool lost = false;
    QObject::connect(&port, &QtSerialPort::deviceLost, [&] { lost = true; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { comunica(port, 0, shown); });
    poll.start(100);
    card.close();

    runEventsFor(200);
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventsFor(2000);
    const double cpuShare = (cpuSeconds() - cpuBefore) / (wall.elapsed() / 1000.0);

    EXPECT_TRUE(lost);
    EXPECT_FALSE(port.portOpen());
    EXPECT_LT(cpuShare, 0.2);  // no busy loop
    EXPECT_EQ(shown.updates, 2) << "the last state stays shown";
    EXPECT_TRUE(shown.leds[0]);
    EXPECT_DOUBLE_EQ(shown.gauges[1], 5.0);
}

TEST_F(SerialLink, AClosedPseudoTerminalIsNotReopenedUnderItsNumbersNextOwner)
{
    port.setReadOnDemand(true);  // the loss is found by the next write
    port.setPortOpen(true);
    const QString path = card.slavePath();
    card.close();
    EXPECT_THROW(port.output(QByteArrayLiteral("**\x00#")), SerialError);
    ASSERT_FALSE(port.portOpen());

    // New terminals take the lowest free number: held until one has the card's old one.
    std::vector<std::unique_ptr<PseudoTerminal>> others;
    while (others.size() < 64 && (others.empty() || others.back()->slavePath() != path))
        others.push_back(std::make_unique<PseudoTerminal>());
    if (others.back()->slavePath() != path)
        GTEST_SKIP() << "another program holds " << path.toStdString();
    PortProblem why;
    EXPECT_FALSE(port.reopen(&why));
    EXPECT_EQ(why.kind, PortProblem::Kind::Lost);
    EXPECT_TRUE(others.back()->receive(1, 200).isEmpty());

    port.setPortNumber(1);  // chosen anew by the user
    port.setPortOpen(true);
    EXPECT_TRUE(port.portOpen());
}
