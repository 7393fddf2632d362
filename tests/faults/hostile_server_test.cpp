// A server on the network that misbehaves, played by a server of the test's own: one that
// makes the client negotiate without end and never reads, one whose refusal is written to
// reach the user's terminal and window, and a raw port named as a telnet one.
#include "card_and_panel_processes.h"
#include "fake_server.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "pseudo_terminal.h"
#include "scoped_environment.h"

#include "card_link/remote_serial_port.h"
#include "port_messages/port_messages.h"

#include <QLabel>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

using card_link::PortProblem;

namespace {

QString telnetName(const FakeServer& server)
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port());
}

// Opens `port` on the server's name and follows it for `ms`; what it was refused or lost
// for, and what it told.
struct Followed {
    PortProblem ended;
    bool endedAtAll = false;
    std::vector<PortProblem> notices;
};

Followed follow(card_link::RemoteSerialPort& port, int ms)
{
    Followed followed;
    QObject::connect(&port, &card_link::SerialPortObject::notice,
                     [&](const PortProblem& what) { followed.notices.push_back(what); });
    QObject::connect(&port, &card_link::SerialPortObject::deviceLost, [&](const PortProblem& why) {
        followed.ended = why;
        followed.endedAtAll = true;
    });
    try {
        port.setPortOpen(true);
    } catch (const card_link::SerialError& refused) {
        followed.ended = refused.problem();
        followed.endedAtAll = true;
    }
    runEventsFor(ms);
    return followed;
}

} // namespace

TEST(HostileServer, NegotiationWithoutEndIsDroppedAndMemoryStaysBounded)
{
    // DO and DONT COM-PORT-OPTION, each of which the client used to answer with the whole
    // line's settings, as fast as the network takes them; the server never reads.
    QByteArray flood;
    for (int i = 0; i < 4096; ++i)
        flood += QByteArray::fromHex("fffd2c" "fffe2c");
    FakeServer server([&flood](int socket, const std::atomic<bool>& stopping) {
        for (int i = 0; i < 4000 && sendAll(socket, flood.constData(), std::size_t(flood.size()), stopping); ++i) {
        }
    });
    card_link::RemoteSerialPort port;
    port.setDevice(telnetName(server));
    const qint64 before = processResidentKib(::getpid());
    const Followed followed = follow(port, 2000);
    const qint64 grown = processResidentKib(::getpid()) - before;

    EXPECT_LT(grown, 4 * 1024) << "KiB";
    ASSERT_TRUE(followed.endedAtAll);
    EXPECT_EQ(followed.ended.kind, PortProblem::Kind::NegotiationFlood);
    EXPECT_FALSE(port.portOpen());
    const QString line = card_link::portMessage(followed.ended, card_link::Language::English);
    EXPECT_TRUE(line.contains(QStringLiteral("floods the connection with telnet negotiation"))) << line.toStdString();
}

TEST(HostileServer, ItsWordsReachTheUserAsPlainPrintableTextCutShort)
{
    const QByteArray words = "Port already in use \x1b]0;owned\x07\x1b[2J <a href=\"http://x\">here</a> <b>now</b> "
        + QByteArray(2000, 'x') + "\r\n";
    FakeServer server([&words](int socket, const std::atomic<bool>& stopping) {
        sendAll(socket, words.constData(), std::size_t(words.size()), stopping);
        ::shutdown(socket, SHUT_WR);
        ::usleep(200 * 1000);
    });
    PseudoTerminal fallback;
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", telnetName(server).toUtf8());
    environment.set("PELMORA_COM2", fallback.slavePath().toLocal8Bit());
    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();

    ASSERT_EQ(answerer.count(), 1);
    const QString detail = answerer.details[0];
    EXPECT_TRUE(detail.contains(QStringLiteral("Port already in use"))) << detail.toStdString();
    EXPECT_FALSE(detail.contains(QChar(0x1b)) || detail.contains(QChar(0x07))) << detail.toStdString();
    EXPECT_LT(detail.size(), 400);
    EXPECT_EQ(answerer.plainDetails[0], true) << "shown as rich text: " << detail.toStdString();
}

TEST(HostileServer, ARawPortNamedAsTelnetIsToldOnce)
{
    // A raw port: it takes the client's bytes and never answers the telnet offer.
    FakeServer server([](int socket, const std::atomic<bool>& stopping) {
        char sink[256];
        while (!stopping && ::recv(socket, sink, sizeof sink, MSG_DONTWAIT) != 0)
            ::usleep(10 * 1000);
    });
    card_link::RemoteSerialPort port;
    port.setDevice(telnetName(server));
    const Followed followed = follow(port, 3000);

    EXPECT_TRUE(port.portOpen());
    ASSERT_EQ(followed.notices.size(), 1u);
    const QString line = card_link::portMessage(followed.notices[0], card_link::Language::English);
    EXPECT_EQ(line, QStringLiteral("%1: 127.0.0.1:%2 does not answer telnet: is it a raw port? use socket://")
                        .arg(telnetName(server))
                        .arg(server.port()));
}
