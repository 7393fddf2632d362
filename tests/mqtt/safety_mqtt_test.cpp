// The card kept safe on the broker's side, with the real mosquitto: an ON from the broker
// that ends on time, its time left published; the broker killed, and the safe state put on
// the card on time and kept when the broker is back; a heartbeat from the broker.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "private_bus.h"
#include "service_process.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(SafetyOnMqtt, ATimedOnEndsOnTimeAndALostBrokerBringsTheSafeStateThatStaysWhenItIsBack)
{
    auto broker = std::make_unique<MosquittoBroker>();
    if (broker->missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker->start());
    const quint16 port = broker->port();
    PrivateSessionBus bus;
    QTemporaryDir folder;
    VirtualCard card({"--link", folder.filePath("card"), "--log", folder.filePath("frames")});
    ServiceProcess service({folder.filePath("card"), "--name", "tank", "--mqtt", broker->url(), "--output-2-max-on",
                            "1s", "--safe-when-broker-lost", "1s", "--output-1-safe", "off"},
                           folder.filePath("state"));
    {
        MqttFollower follower(port, {"pelmora/tank/#", "homeassistant/#"});
        ASSERT_TRUE(follower.waitFor("pelmora/tank/card online")) << service.said().toStdString();
        EXPECT_TRUE(follower.waitFor("homeassistant/sensor/pelmora_tank/output2_off_in/config"));
        EXPECT_TRUE(follower.waitFor("homeassistant/binary_sensor/pelmora_tank/safe/config"));
        ASSERT_TRUE(publishOnce(port, "pelmora/tank/output/2/set", "ON"));
        ASSERT_TRUE(follower.waitFor("pelmora/tank/output/2 ON"));
        EXPECT_TRUE(follower.waitFor("pelmora/tank/output/2/off_in 1"));
        QElapsedTimer on;
        on.start();
        ASSERT_TRUE(service.waitToSay("output 2 is off: it was on for 1s", 2000)) << service.said().toStdString();
        EXPECT_GE(on.elapsed(), 800);
        runEventsFor(200);
        EXPECT_EQ(follower.last("pelmora/tank/output/2"), "OFF");

        ASSERT_TRUE(publishOnce(port, "pelmora/tank/output/1/set", "ON"));
        ASSERT_TRUE(follower.waitFor("pelmora/tank/output/1 ON"));
    }
    broker.reset();
    ASSERT_TRUE(service.waitToSay("the safe state is put on the card: the broker has been unreachable for 1s", 2500))
        << service.said().toStdString();
    runEventsFor(200);
    EXPECT_EQ(readFrameLog(folder.filePath("frames")).last().mask & 0x80, 0);

    broker = std::make_unique<MosquittoBroker>(QStringList{}, port);
    ASSERT_TRUE(broker->start());
    MqttFollower follower(port, {"pelmora/tank/#"});
    EXPECT_TRUE(follower.waitFor("pelmora/tank/safe on", 8000)) << service.said().toStdString();
    EXPECT_TRUE(follower.waitFor("pelmora/tank/output/1 OFF"));
    EXPECT_TRUE(follower.last("pelmora/tank/safe/reason").contains("unreachable"));
    // Its return switches nothing back; a heartbeat from the broker is heard as one.
    ASSERT_TRUE(publishOnce(port, "pelmora/tank/heartbeat", "alive"));
    runEventsFor(300);
    EXPECT_EQ(readFrameLog(folder.filePath("frames")).last().mask & 0x80, 0);
}
