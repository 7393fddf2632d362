// The broker that goes away and comes back empty, a broker behind TLS and a password that
// refuses a wrong one, TLS through the system's store across restarts, and a broker whose
// access list refuses the card's topics.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "notify_listener.h"
#include "private_bus.h"
#include "service_process.h"

#include <QDir>
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

// Until `text` has been said `count` times, for at most timeoutMs.
bool waitToSayTimes(ServiceProcess& service, const QString& text, int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (service.said().count(text) < count && clock.elapsed() < timeoutMs)
        runEventsFor(20);
    return service.said().count(text) >= count;
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
    const QString discovery = QStringLiteral("Received PUBLISH from pelmora-%1-tank-\\S+ .*/config'").arg(QSysInfo::machineHostName());
    EXPECT_EQ(broker->log().count(QRegularExpression(discovery)), 18);
    // A broker gone soon after the connection is no takeover, and its return is said.
    const QString said = tank.service.said();
    EXPECT_FALSE(said.contains("another program")) << said.toStdString();
    EXPECT_EQ(said.count("connected to the broker at 127.0.0.1:"), 2) << said.toStdString();
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
    // Its password file, written as files are, may be read by every user: said once.
    EXPECT_EQ(tank.said().count("may read " + dir.filePath("good")), 1) << tank.said().toStdString();
}

TEST(BrokerFaults, TlsTrustsTheSystemsStoreAtEveryConnectionNotOnlyTheFirst)
{
    MosquittoBroker probe;
    if (probe.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(makeCertificates(dir));
    // The system's store as OpenSSL finds it, a folder of certificates named by their hash,
    // here the test's own: SSL_CERT_DIR.
    ASSERT_TRUE(QDir(dir.path()).mkdir("store") && QFile::copy(dir.filePath("ca.crt"), dir.filePath("store/ca.pem")));
    ASSERT_TRUE(run("openssl", {"rehash", dir.filePath("store")}));
    const QStringList tls{"cafile " + dir.filePath("ca.crt"), "certfile " + dir.filePath("server.crt"),
                          "keyfile " + dir.filePath("server.key")};
    auto broker = std::make_unique<MosquittoBroker>(tls);
    ASSERT_TRUE(broker->start());
    const quint16 port = broker->port();
    PrivateSessionBus bus;
    QTemporaryDir folder;
    VirtualCard card({"--link", folder.filePath("card")});
    QProcessEnvironment store;
    store.insert("SSL_CERT_DIR", dir.filePath("store"));
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", QStringLiteral("mqtts://localhost:%1").arg(port)},
                        folder.filePath("state"), store);
    const QString connected = QStringLiteral("connected to the broker at localhost:%1").arg(port);
    for (int connection = 1; connection <= 3; ++connection) {
        ASSERT_TRUE(waitToSayTimes(tank, connected, connection, 10000)) << connection << "\n" << tank.said().toStdString();
        broker = std::make_unique<MosquittoBroker>(tls, port);  // the one before ended first
        ASSERT_TRUE(broker->start());
    }
}

TEST(BrokerFaults, TheBrokersRefusalsAreSaidOnceShownInTheStatusAndFailTheForgetting)
{
    QTemporaryDir dir;
    QFile access(dir.filePath("acl"));
    ASSERT_TRUE(access.open(QIODevice::WriteOnly));
    access.write("topic read $SYS/#\n");  // nothing of the card's, to anyone
    access.close();
    MosquittoBroker broker({"acl_file " + access.fileName()});
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker.start());
    NotifyListener notify(dir.filePath("notify"));
    PrivateSessionBus bus;
    QTemporaryDir folder;
    VirtualCard card({"--link", folder.filePath("card")});
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", broker.url()}, folder.filePath("state"),
                        notify.environment());
    const QString where = QStringLiteral("the broker at 127.0.0.1:%1 refuses ").arg(broker.port());
    ASSERT_TRUE(tank.waitToSay(where + "what the card publishes, such as pelmora/tank/")) << tank.said().toStdString();
    runEventsFor(1500);
    const QString said = tank.said();
    EXPECT_EQ(said.count(where + "what the card publishes"), 1) << said.toStdString();
    EXPECT_TRUE(said.contains(": Not authorized (its access list?)")) << said.toStdString();
    const QString status = QStringLiteral("MQTT: on 127.0.0.1:%1, which refuses pelmora/tank/").arg(broker.port());
    EXPECT_TRUE(notify.heard().join('\n').contains(status)) << notify.heard().join(" | ").toStdString();

    QProcess forget;
    forget.start(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"), {"--name", "tank", "--mqtt", broker.url(), "--mqtt-forget"});
    ASSERT_TRUE(forget.waitForFinished(15000));
    EXPECT_NE(forget.exitCode(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(forget.readAllStandardError()).contains("refused to clear"));
}
