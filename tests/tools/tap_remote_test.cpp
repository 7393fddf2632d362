// The tap with its card on another machine: the real ser2net in front of a
// pseudo-terminal that the test plays the card on.
#include "card_client.h"
#include "card_process.h"
#include "pseudo_terminal.h"
#include "ser2net_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray asBytes(const Bytes& bytes) { return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())); }

// One request from the panel through the tap and ser2net to the card, and the card's reply back.
bool exchanged(CardClient& panel, PseudoTerminal& card, const Bytes& reply, int timeoutMs = 300)
{
    panel.send(request(0xFF));
    if (card.receive(4, timeoutMs) != asBytes(request(0xFF)))
        return false;
    card.send(asBytes(reply));
    return panel.receive(3, timeoutMs) == reply;
}

} // namespace

TEST(TapRemote, ForwardsACardThroughSer2netAndFollowsItAcrossARestart)
{
    PseudoTerminal card;
    auto server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::Telnet, card.slavePath());
    ASSERT_TRUE(server->start());
    const quint16 port = server->port();
    const std::string csv = ::testing::TempDir() + "tap_remote_" + std::to_string(::getpid()) + ".csv";
    CardProcess tap(TAP_PATH, {server->url().toStdString(), "--csv", csv});
    const std::string panelEnd = tap.readLine(5000);
    ASSERT_FALSE(panelEnd.empty()) << tap.readErrors(200);
    CardClient panel(panelEnd);
    // 0xFF both ways, and a carriage return, pass whole through the telnet layer.
    EXPECT_TRUE(exchanged(panel, card, {0xFF, 0x0D, 0x00}));

    server.reset();  // SIGKILL: the connection drops
    EXPECT_FALSE(tap.errorLineWith("went away", 3000).empty());
    server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::Telnet, card.slavePath(),
                                             QStringLiteral("9600n81"), port);
    ASSERT_TRUE(server->start());
    EXPECT_FALSE(tap.errorLineWith("is back", 3000).empty());
    bool answered = false;
    for (int i = 0; i < 10 && !answered; ++i)
        answered = exchanged(panel, card, {0x01, 0x02, 0x03});
    EXPECT_TRUE(answered);

    EXPECT_EQ(tap.stop(), 0);
    std::ifstream file(csv);
    std::stringstream text;
    text << file.rdbuf();
    const std::string recording = text.str();
    const std::size_t gone = recording.find(",device gone,");
    ASSERT_NE(gone, std::string::npos) << recording;
    // The note names the card once: the remote link's own words start with its name.
    const std::string note = recording.substr(gone, recording.find('\n', gone) - gone);
    const std::string name = server->url().toStdString();
    EXPECT_EQ(note.find(name), note.rfind(name)) << note;
    EXPECT_NE(recording.find("device back"), std::string::npos);
    std::remove(csv.c_str());
}

TEST(TapRemote, SaysWhatTheServerDoesWithTheLineOncePerConnection)
{
    PseudoTerminal card;
    auto server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::TelnetWithoutLine, card.slavePath());
    ASSERT_TRUE(server->start());
    const quint16 port = server->port();
    CardProcess tap(TAP_PATH, {server->url().toStdString(), "--csv", "/dev/null"});
    ASSERT_FALSE(tap.readLine(5000).empty()) << tap.readErrors(200);
    const std::string notice = "the server takes no line settings";
    EXPECT_FALSE(tap.errorLineWith(notice, 3000).empty());

    server.reset();
    server = std::make_unique<Ser2netServer>(Ser2netServer::Accepter::TelnetWithoutLine, card.slavePath(),
                                             QStringLiteral("9600n81"), port);
    ASSERT_TRUE(server->start());
    const std::string again = tap.errorLineWith(notice, 5000);
    EXPECT_FALSE(again.empty()) << "said again on the new connection";
    EXPECT_EQ(tap.stop(), 0);
    EXPECT_EQ(tap.readErrors(500).find(notice), std::string::npos) << "once per connection";
}

TEST(TapRemote, AStopWhileTheCardConnectsEndsItAtOnceWithNothingStarted)
{
    // A server that never accepts: its one place in the queue is taken.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 0), 0);
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    const int filler = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const std::string csv = ::testing::TempDir() + "tap_stopped_" + std::to_string(::getpid()) + ".csv";
    const std::string name = "rfc2217://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    CardProcess tap(TAP_PATH, {name, "--panel", "--csv", csv});
    ::usleep(700 * 1000);
    const auto stopped = std::chrono::steady_clock::now();
    ::kill(tap.pid(), SIGINT);
    EXPECT_EQ(tap.wait(1000), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(500));
    const std::string said = tap.readErrors(200);
    EXPECT_NE(said.find("stopped while starting"), std::string::npos) << said;
    const std::size_t started = said.find("(pid ");
    if (started != std::string::npos)  // the panel it should not have started: ended here
        ::kill(std::stoi(said.substr(started + 5)), SIGTERM);
    EXPECT_EQ(started, std::string::npos) << said;
    EXPECT_NE(::access(csv.c_str(), F_OK), 0) << "a recording was begun";
    ::close(filler);
    ::close(silent);
}
