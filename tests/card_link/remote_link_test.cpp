// The pieces of a remote port that need no server: its names, the telnet layer over
// recorded streams cut at every byte, and the server's refusal in the first bytes.
#include "card_link/line_settings.h"
#include "card_link/port_name.h"
#include "card_link/remote_name.h"
#include "card_link/server_refusal.h"
#include "card_link/telnet_channel.h"
#include "port_messages/port_messages.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace card_link;

namespace {

struct NameCase {
    const char* name;
    const char* problem;  // empty for a good name
};

class RemoteNames : public ::testing::TestWithParam<NameCase> {};

// What a server sends: its own options, then the card's 05 FF 33 with 0xFF doubled,
// with a modem state notice and the answer to SET-BAUDRATE in the middle.
const QByteArray kTelnetStream = QByteArray::fromHex(
    "fffb03" "fffb01" "fffd2c"          // WILL SGA, WILL ECHO, DO COM-PORT-OPTION
    "05ffff"                            // 05, FF doubled
    "fffa2c6b30fff0"                    // NOTIFY-MODEMSTATE 0x30
    "33"
    "fffa2c65000025" "80fff0");         // SET-BAUDRATE answered: 9600

struct Heard {
    QByteArray card, network;
    std::vector<bool> comPort;
    std::vector<std::pair<unsigned char, QByteArray>> answers;
    int failures = 0;
    int floods = 0;
};

TelnetChannel::Callbacks hearing(Heard& heard)
{
    return {[&](const QByteArray& b) { heard.network += b; }, [&](const QByteArray& b) { heard.card += b; },
            [&](bool accepted) { heard.comPort.push_back(accepted); },
            [&](unsigned char code, const QByteArray& value) { heard.answers.emplace_back(code, value); },
            [&](const QString&) { ++heard.failures; }, [&] { ++heard.floods; }};
}

} // namespace

TEST_P(RemoteNames, AreParsedOrRefusedWithWhatIsWrong)
{
    RemoteName remote;
    PortProblem refusal;
    const bool parsed = parseRemoteName(QString::fromUtf8(GetParam().name), remote, refusal);
    const QString problem = card_link::portMessage(refusal);
    const QString expected = QString::fromUtf8(GetParam().problem);
    EXPECT_EQ(parsed, expected.isEmpty()) << problem.toStdString();
    if (!expected.isEmpty()) {
        EXPECT_TRUE(problem.contains(expected)) << problem.toStdString();
        EXPECT_TRUE(problem.startsWith(QString::fromUtf8(GetParam().name))) << problem.toStdString();
    }
    EXPECT_TRUE(isRemoteName(QString::fromUtf8(GetParam().name)));
    // A remote name is never taken for a path under /dev.
    EXPECT_EQ(pathOfDevice(QString::fromUtf8(GetParam().name)), QString::fromUtf8(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoteNames,
                         ::testing::Values(NameCase{"rfc2217://pi.local:3001", ""},
                                           NameCase{"socket://192.168.1.20:4000", ""},
                                           NameCase{"RFC2217://[::1]:65535", ""},
                                           NameCase{"rfc2217://pi.local", "manca la porta TCP"},
                                           NameCase{"rfc2217://pi.local:", "manca la porta TCP"},
                                           NameCase{"socket://pi:0", "la porta TCP 0 non è valida"},
                                           NameCase{"socket://pi:65536", "la porta TCP 65536 non è valida"},
                                           NameCase{"socket://pi:+80", "la porta TCP +80 non è valida"},
                                           NameCase{"socket://:3001", "manca il nome"},
                                           NameCase{"telnet://pi:23", "schema sconosciuto"},
                                           NameCase{"rfc2217://::1:3001", "tra parentesi quadre"},
                                           NameCase{"rfc2217://[pi]:3001", "non è un indirizzo IPv6"},
                                           NameCase{"rfc2217://[::1]", "manca la porta TCP"}));

TEST(RemoteNames, PathsAndComNamesAreNotRemote)
{
    for (const char* name : {"/dev/ttyUSB0", "ttyUSB0", "pts/3", "./card", "Com1", "a:b"})
        EXPECT_FALSE(isRemoteName(QString::fromUtf8(name))) << name;
}

TEST(TelnetChannel, ServerStreamCutAnywhereGivesTheCardsBytesOnly)
{
    for (qsizetype cut = 0; cut <= kTelnetStream.size(); ++cut) {
        for (qsizetype second = cut; second <= kTelnetStream.size(); ++second) {
            Heard heard;
            TelnetChannel channel(hearing(heard));
            channel.receive(kTelnetStream.constData(), cut);
            channel.receive(kTelnetStream.constData() + cut, second - cut);
            channel.receive(kTelnetStream.constData() + second, kTelnetStream.size() - second);
            ASSERT_EQ(heard.card, QByteArray::fromHex("05ff33")) << cut << " " << second;
            ASSERT_EQ(heard.comPort, std::vector<bool>{true});
            // The modem notice (7) and the baud rate's answer (1) come as answers, never as data.
            ASSERT_EQ(heard.answers.size(), 2u);
            EXPECT_EQ(heard.answers[0].first, 7);
            EXPECT_EQ(heard.answers[1], std::make_pair<unsigned char>(1, QByteArray::fromHex("00002580")));
        }
    }
}

TEST(TelnetChannel, SendsDoubledFFAndSetsTheLine)
{
    Heard heard;
    TelnetChannel channel(hearing(heard));
    channel.start();
    // WILL COM-PORT-OPTION, and BINARY asked for both ways: WILL BINARY, DO BINARY.
    EXPECT_EQ(heard.network, QByteArray::fromHex("fffb2c" "fffb00" "fffd00"));
    heard.network.clear();
    channel.send(QByteArray::fromHex("2a2aff23"));
    EXPECT_EQ(heard.network, QByteArray::fromHex("2a2affff23"));
    heard.network.clear();
    channel.sendComPortCommand(1, LineSettings::commands().front().value);
    EXPECT_EQ(heard.network, QByteArray::fromHex("fffa2c0100002580fff0"));
}

TEST(TelnetChannel, AServerThatNegotiatesWithoutEndIsGivenUpOnAndHeardNoMore)
{
    // DO and DONT COM-PORT-OPTION over and over: each flips the option, and each flip is
    // answered, until the answers pass the limit.
    QByteArray flood;
    for (int i = 0; i < 1000; ++i)
        flood += QByteArray::fromHex("fffd2c" "fffe2c");
    flood += QByteArray::fromHex("05");  // the card's byte after it, in the same chunk
    Heard heard;
    TelnetChannel channel(hearing(heard));
    EXPECT_FALSE(channel.heardTelnet());
    channel.receive(flood.constData(), flood.size());
    channel.receive("\x05", 1);
    EXPECT_EQ(heard.floods, 1);
    EXPECT_TRUE(channel.ended());
    EXPECT_LE(heard.network.size(), 3 * TelnetChannel::kNegotiationLimit);
    EXPECT_LE(heard.comPort.size(), std::size_t(TelnetChannel::kNegotiationLimit));
    EXPECT_TRUE(heard.card.isEmpty()) << "heard after the channel ended";
    EXPECT_TRUE(channel.heardTelnet());
}

TEST(LineSettings, TellsRefusedAndUnansweredSettings)
{
    LineSettings line;
    line.sent();
    EXPECT_EQ(line.unanswered().size(), 5u);
    EXPECT_FALSE(line.answered(1, QByteArray::fromHex("00002580")));
    EXPECT_TRUE(line.answered(2, QByteArray(1, 7)));  // 7 data bits, not 8
    EXPECT_FALSE(line.answered(7, QByteArray(1, 0x30)));  // a notice, not an answer
    EXPECT_EQ(line.unanswered(), (std::vector<unsigned char>{3, 4, 5}));

    // As the user reads them.
    PortProblem unconfirmed;
    unconfirmed.kind = PortProblem::Kind::SettingsUnconfirmed;
    unconfirmed.port = "rfc2217://pi:3001";
    unconfirmed.seconds = 2;
    unconfirmed.settings = line.unanswered();
    EXPECT_EQ(card_link::portMessage(unconfirmed), QStringLiteral("rfc2217://pi:3001: il server non ha confermato entro 2 s: "
                                                              "nessuna parità, 1 bit di stop, nessun controllo di flusso."));
    unconfirmed.kind = PortProblem::Kind::SettingRefused;
    unconfirmed.settings = {2};
    EXPECT_EQ(card_link::portMessage(unconfirmed),
              QStringLiteral("rfc2217://pi:3001: il server non ha accettato l'impostazione \"8 bit di dati\" della linea."));
}

TEST(ServerRefusal, BannerCutAnywhereIsARefusalAndNeverData)
{
    const QByteArray banner("Port already in use\r\n");
    for (qsizetype cut = 0; cut <= banner.size(); ++cut) {
        ServerRefusal refusal;
        refusal.feed(banner.left(cut));
        EXPECT_EQ(refusal.feed(banner.mid(cut)), ServerRefusal::Verdict::Refused) << cut;
        EXPECT_EQ(refusal.takeHeld(), QByteArray());
        EXPECT_EQ(refusal.reason(), QStringLiteral("Port already in use"));
    }
    ServerRefusal failure;
    failure.feed("Device open failure: ");
    failure.feed("No such file or directory\r\n");
    EXPECT_EQ(failure.reason(), QStringLiteral("Device open failure: No such file or directory"));
}

TEST(ServerRefusal, CardBytesAreHeldOnlyWhileTheyCouldBeABanner)
{
    ServerRefusal reply;
    EXPECT_EQ(reply.feed(QByteArray::fromHex("05ff33")), ServerRefusal::Verdict::Data);
    EXPECT_EQ(reply.takeHeld(), QByteArray::fromHex("05ff33"));

    ServerRefusal lookalike;  // "Po" then a byte that no refusal has
    EXPECT_EQ(lookalike.feed("Po"), ServerRefusal::Verdict::Undecided);
    EXPECT_EQ(lookalike.feed(QByteArray::fromHex("01")), ServerRefusal::Verdict::Data);
    EXPECT_EQ(lookalike.takeHeld(), QByteArray("Po\x01"));
}
