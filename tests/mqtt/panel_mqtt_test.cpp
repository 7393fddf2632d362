// The window with the card on the broker too: a click goes to the broker, and an ON from
// the broker is a press of the output's button.
#include "card_and_panel_processes.h"
#include "mosquitto_broker.h"
#include "scoped_environment.h"

#include "card_link/card_frames.h"
#include "card_mqtt/card_mqtt.h"
#include "panel/form1.h"
#include "panel/window_holder.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PanelOnMqtt, AClickIsPublishedAndAnOnFromTheBrokerPressesTheButton)
{
    MosquittoBroker broker;
    if (broker.missing())
        GTEST_SKIP() << "mosquitto is not installed";
    ASSERT_TRUE(broker.start());
    QTemporaryDir folder;
    VirtualCard card({"--follow-outputs", "--log", folder.filePath("frames")});
    ASSERT_FALSE(card.device().isEmpty());
    ScopedEnvironment environment;
    environment.set("PELMORA_COM1", card.device().toLocal8Bit());

    panel::Form1 window;
    window.setCardName("bench");
    panel::WindowHolder holder(window);
    card_mqtt::MqttSettings settings;
    ASSERT_EQ(card_mqtt::readMqttUrl(broker.url(), settings, card_link::Language::Italian), "");
    settings.name = "bench";
    card_mqtt::CardMqtt face(holder, settings, "1.0", card_link::Language::Italian);
    QObject::connect(&window, &panel::Form1::cardShown, &face, [&] { face.show(window.shownCard()); });
    QStringList said;
    QObject::connect(&face, &card_mqtt::CardMqtt::said, [&](const QString& line) { said << line; });
    MqttFollower follower(broker.port(), {"pelmora/bench/#"});
    face.start();
    window.Form_Load();
    ASSERT_TRUE(follower.waitFor("pelmora/bench/card online")) << said.join('\n').toStdString();
    EXPECT_TRUE(said.first().startsWith("collegato al broker 127.0.0.1:")) << said.join('\n').toStdString();

    window.onoff(1)->click();
    EXPECT_TRUE(follower.waitFor("pelmora/bench/output/2 ON", 2000));
    EXPECT_TRUE(follower.waitFor("pelmora/bench/input/2 ON", 2000)) << "the card's answer";

    ASSERT_TRUE(publishOnce(broker.port(), "pelmora/bench/output/4/set", "ON"));
    for (int waited = 0; waited < 3000 && window.stato_uscite() != 0x50; waited += 50)
        runEventsFor(50);
    EXPECT_EQ(window.stato_uscite(), 0x50);
    EXPECT_EQ(window.led_out(3)->accessibleName(), "Interruttore 4: acceso") << "the lamp lights";
    const QList<LoggedFrame> frames = readFrameLog(folder.filePath("frames"));
    ASSERT_FALSE(frames.isEmpty());
    EXPECT_EQ(frames.last().mask, 0x50);
}
