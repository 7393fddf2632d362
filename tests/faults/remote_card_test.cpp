// A card on another machine: the window reaches it through the real ser2net on the
// loopback, the test playing the card on a pseudo-terminal behind the server.
#include "card_and_panel_processes.h"
#include "event_loop_watch.h"
#include "gauge_reading.h"
#include "panel/form1.h"
#include "panel_test_support.h"
#include "pseudo_terminal.h"
#include "scoped_environment.h"
#include "ser2net_server.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Accepter = Ser2netServer::Accepter;

// The card: answers every request that reaches it with `reply`, and keeps the requests.
class AnsweringCard {
public:
    explicit AnsweringCard(PseudoTerminal& line, QByteArray reply) : line_(line), reply_(std::move(reply))
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const QByteArray got = line_.receive(1, 1);
            requests_ += got;
            for (int i = 0; i < got.count('#'); ++i)
                line_.send(reply_);
        });
        timer_.start(20);
    }
    QByteArray requests() const { return requests_; }
    void forget() { requests_.clear(); }

private:
    PseudoTerminal& line_;
    QByteArray reply_;
    QByteArray requests_;
    QTimer timer_;
};

speed_t lineSpeed(const QString& device)
{
    termios tio{};
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return 0;  // held exclusively by the server: asked again once it lets go
    tcgetattr(fd, &tio);
    ::close(fd);
    return cfgetospeed(&tio);
}

class RemoteCard : public ::testing::TestWithParam<Accepter> {};

} // namespace

TEST_P(RemoteCard, ShowsReadingsSwitchesOutputsAndSetsTheLine)
{
    PseudoTerminal line;
    // 0xFF and a carriage return in the reply; ser2net's own line differs from the card's.
    AnsweringCard card(line, QByteArray::fromHex("0dff05"));
    Ser2netServer server(GetParam(), line.slavePath(), QStringLiteral("4800n81"));
    QString said;
    ASSERT_TRUE(server.start(&said)) << said.toStdString();
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", server.url().toUtf8());

    panel::Form1 form;
    form.Form_Load();
    ASSERT_TRUE(form.MSComm1().portOpen());
    runEventsFor(600);
    EXPECT_EQ(gaugeReadout(form.v_meter1(0)->widget()), localReadout(5.0));
    EXPECT_EQ(gaugeReadout(form.v_meter1(1)->widget()), localReadout(0.1));
    EXPECT_EQ(form.led_ingresso(0)->pixmap().cacheKey(), form.picLedOn()->pixmap().cacheKey());
    EXPECT_EQ(form.led_ingresso(1)->pixmap().cacheKey(), form.picLedOff()->pixmap().cacheKey());

    for (int i = 0; i < 8; ++i)
        form.onoff(i)->click();
    card.forget();
    runEventsFor(400);
    EXPECT_TRUE(card.requests().endsWith(QByteArray::fromHex("2a2aff232a2aff23"))) << card.requests().toHex().toStdString();
    EXPECT_EQ(card.requests().size() % 4, 0);
    if (GetParam() == Accepter::Telnet) {
        form.MSComm1().setPortOpen(false);
        runEventsFor(300);
        EXPECT_EQ(lineSpeed(line.slavePath()), speed_t(B9600));
    }
}

TEST_P(RemoteCard, APortInUseIsRefusedWithTheServersReasonAndComTwoTakesOver)
{
    PseudoTerminal line, second;
    AnsweringCard card(line, QByteArray::fromHex("000000"));
    AnsweringCard fallback(second, QByteArray::fromHex("000000"));
    Ser2netServer server(GetParam(), line.slavePath());
    ASSERT_TRUE(server.start());
    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(first.waitForConnected(2000));
    runEventsFor(200);
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", server.url().toUtf8());
    environment.set("PELMORA_COM2", second.slavePath().toLocal8Bit());

    MessageBoxAnswerer answerer;
    panel::Form1 form;
    form.Form_Load();
    ASSERT_EQ(answerer.count(), 1);
    EXPECT_EQ(answerer.titles[0], QStringLiteral("ERRORE"));
    EXPECT_TRUE(answerer.details[0].contains(QStringLiteral("127.0.0.1:%1").arg(server.port())));
    EXPECT_TRUE(answerer.details[0].contains(QStringLiteral("Port already in use"))) << answerer.details[0].toStdString();
    EXPECT_TRUE(form.quale_porta(1)->isChecked());
    runEventsFor(300);
    EXPECT_FALSE(fallback.requests().isEmpty());
}

TEST_P(RemoteCard, PollingResumesWhenTheServerComesBack)
{
    PseudoTerminal line;
    AnsweringCard card(line, QByteArray::fromHex("010203"));
    auto server = std::make_unique<Ser2netServer>(GetParam(), line.slavePath());
    ASSERT_TRUE(server->start());
    const quint16 port = server->port();
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", server->url().toUtf8());

    panel::Form1 form;
    form.Form_Load();
    ASSERT_TRUE(form.MSComm1().portOpen());
    runEventsFor(300);
    server->kill();
    runEventsFor(300);
    EXPECT_FALSE(form.MSComm1().portOpen());

    // Gone: a quiet retry once a second, nothing more.
    EventLoopWatch watch;
    runEventsFor(1500);
    EXPECT_LT(watch.cpuShare(), 0.2);

    server = std::make_unique<Ser2netServer>(GetParam(), line.slavePath(), QStringLiteral("9600n81"), port);
    ASSERT_TRUE(server->start());
    card.forget();
    runEventsFor(2500);
    EXPECT_TRUE(form.MSComm1().portOpen());
    EXPECT_GE(card.requests().size(), 4);
}

INSTANTIATE_TEST_SUITE_P(Accepters, RemoteCard, ::testing::Values(Accepter::Telnet, Accepter::Raw),
                         [](const auto& info) { return info.param == Accepter::Telnet ? "Telnet" : "Raw"; });

struct Unreachable {
    const char* name;
    QByteArray url;
    const char* reason;
};

TEST(RemoteCardRefusals, EachSaysWhyAndTheWindowAnswersMeanwhile)
{
    const quint16 nobody = freeLoopbackPort();
    // A server that never accepts: its one place in the queue is taken.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 0), 0);
    socklen_t length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, ntohs(address.sin_port));
    filler.waitForConnected(1000);

    const Unreachable cases[] = {
        {"nothing listening", "rfc2217://127.0.0.1:" + QByteArray::number(nobody), "connessione rifiutata"},
        {"unknown name", "socket://no-such-card.invalid:3001", "il nome no-such-card.invalid non è conosciuto"},
        {"malformed", "rfc2217://127.0.0.1", "manca la porta TCP"},
        {"no answer", "socket://127.0.0.1:" + QByteArray::number(ntohs(address.sin_port)), "nessuna risposta entro 3 s"},
    };
    PseudoTerminal second;
    for (const Unreachable& unreachable : cases) {
        SCOPED_TRACE(unreachable.name);
        ScopedEnvironment environment;
        environment.set("PELMORA_COM1", unreachable.url);
        environment.set("PELMORA_COM2", second.slavePath().toLocal8Bit());
        MessageBoxAnswerer answerer;
        panel::Form1 form;
        EventLoopWatch watch;
        form.Form_Load();
        ASSERT_EQ(answerer.count(), 1);
        EXPECT_TRUE(answerer.details[0].startsWith(QString::fromUtf8(unreachable.url)));
        EXPECT_TRUE(answerer.details[0].contains(QString::fromUtf8(unreachable.reason))) << answerer.details[0].toStdString();
        EXPECT_TRUE(form.MSComm1().portOpen());  // Com2
        EXPECT_LT(watch.worstLatenessMs(), 1000);
    }
    ::close(silent);
}

TEST(RemoteCardNotices, AreSaidOncePerConnection)
{
    PseudoTerminal line;
    AnsweringCard card(line, QByteArray::fromHex("000000"));
    auto server = std::make_unique<Ser2netServer>(Accepter::TelnetWithoutLine, line.slavePath());
    ASSERT_TRUE(server->start());
    const quint16 port = server->port();
    PanelUnderTest panel(server->url());
    const QString notice = QStringLiteral("il server non accetta le impostazioni della linea");
    QString said;
    const auto toldTimes = [&](int ms) {
        runEventsFor(ms);
        said += QString::fromLocal8Bit(panel.process().readAllStandardError());
        return said.count(notice);
    };
    EXPECT_EQ(toldTimes(2500), 1) << said.toStdString();

    server.reset();
    toldTimes(300);
    server = std::make_unique<Ser2netServer>(Accepter::TelnetWithoutLine, line.slavePath(), QStringLiteral("9600n81"), port);
    ASSERT_TRUE(server->start());
    EXPECT_EQ(toldTimes(3000), 2) << said.toStdString();
}
