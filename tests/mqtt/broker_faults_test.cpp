// The broker that goes away and comes back empty, a broker behind TLS and a password that
// refuses a wrong one, and two programs of one name on one broker.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "private_bus.h"
#include "service_process.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The service holding a virtual card as `name` on the broker at `url`.
struct Held {
    Held(const QString& name, const QString& url)
        : card({"--link", folder.filePath("card")}),
          service({folder.filePath("card"), "--name", name, "--mqtt", url}, folder.filePath("state"))
    {
    }
    QTemporaryDir folder;
    VirtualCard card;
    ServiceProcess service;
};

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(20000) && process.exitCode() == 0;
}

// A certificate authority and a certificate for localhost and 127.0.0.1 signed by it.
bool makeCertificates(const QTemporaryDir& dir)
{
    const auto file = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    QFile names(file("names.ext"));
    names.open(QIODevice::WriteOnly);
    names.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
    names.close();
    return run("openssl", {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj", "/CN=Pelmora test CA",
                           "-keyout", file("ca.key"), "-out", file("ca.crt")})
        && run("openssl", {"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout",
                           file("server.key"), "-out", file("server.csr")})
        && run("openssl", {"x509", "-req", "-in", file("server.csr"), "-CA", file("ca.crt"), "-CAkey", file("ca.key"),
                           "-CAcreateserial", "-days", "1", "-extfile", file("names.ext"), "-out", file("server.crt")});
}

// The connections the broker has accepted from the program named `name`.
int connectionsOf(MosquittoBroker& broker, const QString& name)
{
    return broker.log().count(QStringLiteral(" as pelmora-%1-%2 ").arg(QSysInfo::machineHostName(), name));
}

} // namespace

TEST(BrokerFaults, ABrokerBackEmptyGetsEverythingAgainAndItsAbsenceCostsNothing)
{
    auto broker = std::make_unique<MosquittoBroker>();
    if (broker->missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker->start());
    const quint16 port = broker->port();
    PrivateSessionBus bus;
    Held tank("tank", broker->url());
    {
        MqttFollower follower(port, {"pelmora/tank/card"});
        ASSERT_TRUE(follower.waitFor("pelmora/tank/card online")) << tank.service.said().toStdString();
    }
    broker.reset();
    runEventsFor(500);
    const double before = processCpuSeconds(tank.service.pid());
    runEventsFor(3000);
    EXPECT_LT(processCpuSeconds(tank.service.pid()) - before, 0.03) << "under 1 % of a core while it is gone";

    // The broker logs what it receives: the discovery, which is not retained, is counted
    // there, since the service may be back before the follower has subscribed. The states
    // are retained and reach the follower either way, in whatever order.
    broker = std::make_unique<MosquittoBroker>(QStringList{"log_type all"}, port);
    ASSERT_TRUE(broker->start());
    QElapsedTimer listening;
    listening.start();
    MqttFollower follower(port, {"pelmora/#"});
    for (const char* state : {"pelmora/tank/availability online", "pelmora/tank/card online", "pelmora/tank/analog/2 "})
        EXPECT_TRUE(follower.waitFor(state, 8000)) << state << "\n" << tank.service.said().toStdString();
    EXPECT_LT(listening.elapsed(), 8000);
    const QString discovery = QStringLiteral("Received PUBLISH from pelmora-%1-tank .*/config'").arg(QSysInfo::machineHostName());
    EXPECT_EQ(broker->log().count(QRegularExpression(discovery)), 18);
}

TEST(BrokerFaults, TlsWithAPasswordAndAWrongPasswordRefusedInWordsWithoutAStorm)
{
    MosquittoBroker probe;
    if (probe.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(makeCertificates(dir));
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", "-c", dir.filePath("passwords"), "pelmora", "s3cret"}));
    MosquittoBroker broker({"cafile " + dir.filePath("ca.crt"), "certfile " + dir.filePath("server.crt"),
                            "keyfile " + dir.filePath("server.key"), "password_file " + dir.filePath("passwords")});
    QString said;
    ASSERT_TRUE(broker.start(&said)) << said.toStdString();
    const auto passwordIn = [&](const char* name, const char* password) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        file.open(QIODevice::WriteOnly);
        file.write(password);
        return file.fileName();
    };
    const QString url = QStringLiteral("mqtts://pelmora@localhost:%1").arg(broker.port());
    PrivateSessionBus bus;
    QTemporaryDir folder;
    VirtualCard card({"--link", folder.filePath("card")});
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", url, "--mqtt-ca", dir.filePath("ca.crt"),
                         "--mqtt-password-file", passwordIn("good", "s3cret\n")},
                        folder.filePath("state"));
    ASSERT_TRUE(tank.waitToSay("connected to the broker at localhost:" + QString::number(broker.port()), 8000))
        << tank.said().toStdString();

    ServiceProcess intruder({folder.filePath("none"), "--name", "intruder", "--mqtt", url, "--mqtt-ca",
                             dir.filePath("ca.crt"), "--mqtt-password-file", passwordIn("bad", "guess\n")},
                            folder.filePath("state"));
    runEventsFor(8000);
    const QString refused = intruder.said();
    EXPECT_EQ(refused.count(QStringLiteral("the broker at localhost:%1: ").arg(broker.port())), 1) << refused.toStdString();
    EXPECT_TRUE(refused.contains("Bad user name or password") || refused.contains("Not authorized")) << refused.toStdString();
    const int refusals = broker.log().count("disconnected, not authorised");
    EXPECT_LE(refusals, 5) << "tried again after growing waits, not in a storm";
    EXPECT_GE(refusals, 2);
}

TEST(BrokerFaults, TwoProgramsOfOneNameTakeTurnsNoFasterThanTheWaits)
{
    MosquittoBroker broker;
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker.start());
    PrivateSessionBus bus;
    Held first("twin", broker.url());
    runEventsFor(500);
    Held second("twin", broker.url());
    runEventsFor(10000);
    EXPECT_LE(connectionsOf(broker, "twin"), 9) << broker.log().toStdString();
    const QString told = "another program with the same client id pelmora-" + QSysInfo::machineHostName() + "-twin takes it";
    for (ServiceProcess* service : {&first.service, &second.service})
        EXPECT_LE(service->said().count(told), 1) << service->said().toStdString();
    EXPECT_GT(first.service.said().count(told) + second.service.said().count(told), 0)
        << first.service.said().toStdString() << second.service.said().toStdString();
}
