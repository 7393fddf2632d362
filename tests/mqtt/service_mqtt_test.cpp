// pelmorad on the virtual card and the real mosquitto: what Home Assistant reads of it, the
// commands it obeys and those it refuses, Home Assistant's start and the service's death.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "private_bus.h"
#include "service_process.h"

#include "card_link/port_refusal.h"

#include <QFile>
#include <QProcess>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

namespace {

#define START_BROKER(broker)                                  \
    MosquittoBroker broker;                                   \
    if (broker.missing())                                     \
        GTEST_SKIP() << "mosquitto is not installed";         \
    {                                                         \
        QString said;                                         \
        ASSERT_TRUE(broker.start(&said)) << said.toStdString(); \
    }

// A card, and the service holding it on the broker as "tank".
struct ServiceOnBroker {
    ServiceOnBroker(const MosquittoBroker& broker, const QStringList& more = {})
        : card({"--follow-outputs", "--link", folder.filePath("card"), "--log", folder.filePath("frames")})
    {
        start(broker, more);
    }
    void start(const MosquittoBroker& broker, const QStringList& more = {})
    {
        service = std::make_unique<ServiceProcess>(
            QStringList{folder.filePath("card"), "--name", "tank", "--mqtt", broker.url()} + more, folder.filePath("state"));
    }
    int lastMask() { return readFrameLog(folder.filePath("frames")).value(readFrameLog(folder.filePath("frames")).size() - 1).mask; }

    QTemporaryDir folder;
    PrivateSessionBus bus;
    VirtualCard card;
    std::unique_ptr<ServiceProcess> service;
};

// The configurations that came, by topic.
QMap<QString, QJsonObject> configurations(MqttFollower& follower)
{
    QMap<QString, QJsonObject> configs;
    for (const QString& line : follower.lines()) {
        const QString topic = line.section(' ', 1, 1);
        if (topic.endsWith("/config") && !line.section(' ', 2).isEmpty())
            configs.insert(topic, QJsonDocument::fromJson(line.section(' ', 2).toUtf8()).object());
    }
    return configs;
}

} // namespace

TEST(ServiceOnMqtt, IsFoundByHomeAssistantAndFollowsItsCommandsToTheCard)
{
    START_BROKER(broker);
    // Discovery under a prefix of its own; Home Assistant still says it started on its own
    // default topic.
    MqttFollower follower(broker.port(), {"hass/#", "pelmora/#"});
    ServiceOnBroker tank(broker, {"--ha-prefix", "hass"});
    ASSERT_TRUE(follower.waitFor("pelmora/tank/analog/1 2.51")) << tank.service->said().toStdString();

    // As Home Assistant reads it: each entity's configuration, then its state topic.
    const QMap<QString, QJsonObject> configs = configurations(follower);
    ASSERT_EQ(configs.size(), 18);
    for (const QJsonObject& config : configs) {
        const QString state = follower.last(config["state_topic"].toString());
        EXPECT_FALSE(state.isNull()) << config["state_topic"].toString().toStdString();
        for (const QJsonValue& availability : config["availability"].toArray())
            EXPECT_EQ(follower.last(availability["topic"].toString()), "online");
    }
    EXPECT_EQ(follower.last("pelmora/tank/analog/2"), "1.25");
    EXPECT_EQ(follower.last("pelmora/tank/output/3"), "OFF");

    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/tank/output/3/set", "ON"));
    EXPECT_TRUE(follower.waitFor("pelmora/tank/input/3 ON")) << "the card answers the new outputs";
    EXPECT_EQ(tank.lastMask(), 0x20);
    EXPECT_EQ(follower.last("pelmora/tank/output/3"), "ON");

    // Home Assistant starting again finds the card again, available.
    const int before = follower.lines().filter("/config ").size();
    const int available = follower.lines().filter("pelmora/tank/availability online").size();
    ASSERT_TRUE(publishOnce(broker.port(), "homeassistant/status", "online"));
    runEventsFor(3500);
    EXPECT_EQ(follower.lines().filter("/config ").size(), before + 18);
    EXPECT_EQ(follower.lines().filter("pelmora/tank/availability online").size(), available + 1);
}

TEST(ServiceOnMqtt, RefusesWhatIsNotACommandAndNeverObeysARetainedOne)
{
    START_BROKER(broker);
    // Left on the broker by someone before the service starts: after a restart no relay
    // switches by itself.
    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/tank/output/5/set", "ON", true));
    MqttFollower follower(broker.port(), {"pelmora/#"});
    ServiceOnBroker tank(broker);
    ASSERT_TRUE(follower.waitFor("pelmora/tank/card online")) << tank.service->said().toStdString();
    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/tank/output/5/set", "ON", true)) << "and one sent while it runs";
    runEventsFor(500);
    EXPECT_EQ(tank.service->said().count("pelmora/tank/output/5/set: 'ON' is a command the broker kept"), 1)
        << tank.service->said().toStdString();

    const QByteArray wrong[] = {"on", "1", "", QByteArray("\xff\xfe\x1b[2J"), "ONONONONONONONON"};
    for (const QByteArray& payload : wrong)
        ASSERT_TRUE(publishOnce(broker.port(), "pelmora/tank/output/2/set", payload));
    runEventsFor(800);
    const QString said = tank.service->said();
    EXPECT_EQ(said.count("pelmora/tank/output/2/set: '"), 5) << said.toStdString();
    EXPECT_TRUE(said.contains("'on' is not a command: send ON or OFF")) << said.toStdString();
    EXPECT_FALSE(said.contains(QChar(0x1b))) << "shown printable";
    EXPECT_EQ(follower.lines().filter("pelmora/tank/output/2 OFF").size(), 1 + 5) << "the true state, again each time";
    EXPECT_EQ(tank.lastMask() & 0x48, 0) << "nothing switched";
    publishOnce(broker.port(), "pelmora/tank/output/5/set", "", true);  // the broker forgets it
}

TEST(ServiceOnMqtt, ItsWillMarksItUnavailableWhenItDies)
{
    START_BROKER(broker);
    ServiceOnBroker tank(broker);
    {
        MqttFollower follower(broker.port(), {"pelmora/tank/availability"});
        ASSERT_TRUE(follower.waitFor("pelmora/tank/availability online"));
        ::kill(tank.service->pid(), SIGKILL);
        EXPECT_TRUE(follower.waitFor("pelmora/tank/availability offline", 5000)) << "its will";
        // Killed, it could not remove its lock file.
        tank.service->process().waitForFinished(3000);
        QFile::remove(card_link::lockFileFor(tank.folder.filePath("card")));
    }
    MqttFollower later(broker.port(), {"pelmora/tank/availability"});
    EXPECT_TRUE(later.waitFor("1 pelmora/tank/availability offline", 2000)) << "retained for whoever comes later";

    // Taken off the broker for good: Home Assistant is told to forget its entities, and
    // nothing of the card stays retained.
    MqttFollower home(broker.port(), {"homeassistant/#"});
    QProcess forget;
    forget.start(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"), {"--name", "tank", "--mqtt", broker.url(), "--mqtt-forget"});
    ASSERT_TRUE(forget.waitForFinished(10000));
    EXPECT_EQ(forget.exitCode(), 0) << forget.readAllStandardError().constData();
    EXPECT_TRUE(home.waitFor("homeassistant/sensor/pelmora_tank/analog2/config ", 3000));
    // The 18 entities, and the 9 that safety settings may have added (time left, safe state).
    EXPECT_EQ(home.lines().size(), 27);
    MqttFollower nothing(broker.port(), {"pelmora/tank/#"});
    runEventsFor(500);
    EXPECT_TRUE(nothing.lines().isEmpty()) << nothing.lines().join('\n').toStdString();
}

TEST(ServiceOnMqtt, AnInputThatFlapsWhileTheBrokerLagsSendsItsLatestStateNotEveryOne)
{
    START_BROKER(broker);
    // Input 1 on and off at every poll, for 60 polls, then on for good.
    QTemporaryDir folder;
    QFile replies(folder.filePath("flapping.csv"));
    ASSERT_TRUE(replies.open(QIODevice::WriteOnly));
    replies.write("time,direction,kind,bytes\n");
    for (int i = 0; i <= 60; ++i)
        replies.write(i % 2 == 0 ? "2024-01-01T00:00:00.000+00:00,card>panel,reply,01 80 40\n"
                                  : "2024-01-01T00:00:00.000+00:00,card>panel,reply,00 80 40\n");
    replies.close();
    PrivateSessionBus bus;
    VirtualCard card({"--replay", replies.fileName(), "--link", folder.filePath("card")});
    MqttFollower follower(broker.port(), {"pelmora/tank/input/1", "pelmora/tank/card"});
    ServiceProcess tank({folder.filePath("card"), "--name", "tank", "--mqtt", broker.url()}, folder.filePath("state"));
    ASSERT_TRUE(follower.waitFor("pelmora/tank/card online")) << tank.said().toStdString();
    // A broker that takes the messages and acknowledges none, as over a slow link.
    ::kill(broker.pid(), SIGSTOP);
    runEventsFor(7000);
    ::kill(broker.pid(), SIGCONT);
    runEventsFor(1500);
    const QStringList sent = follower.lines().filter(" pelmora/tank/input/1 ");
    EXPECT_LT(sent.size(), 30) << "of about 60 states";
    EXPECT_EQ(follower.last("pelmora/tank/input/1"), "ON") << sent.join('\n').toStdString();
}
