#include "forget_card.h"

#include "card_mqtt.h"
#include "card_topics.h"
#include "ha_discovery.h"
#include "mqtt_client.h"

#include <QEventLoop>
#include <QTimer>

namespace card_mqtt {
namespace {

// Empty, retained: what clears a retained topic, and what Home Assistant takes for "remove".
QList<std::pair<QString, QByteArray>> emptied(const MqttSettings& settings)
{
    QList<std::pair<QString, QByteArray>> topics;
    for (const DiscoveryMessage& message : discoveryMessages({settings.haPrefix, settings.topicPrefix, settings.name, {}}))
        topics.append({message.topic, {}});
    const CardTopics card(settings.topicPrefix, settings.name);
    for (int n = 1; n <= 8; ++n)
        topics << std::pair{card.output(n), QByteArray()} << std::pair{card.input(n), QByteArray()};
    topics << std::pair{card.analog(1), QByteArray()} << std::pair{card.analog(2), QByteArray()}
           << std::pair{card.availability(), QByteArray()} << std::pair{card.card(), QByteArray()};
    return topics;
}

} // namespace

bool forgetCard(const MqttSettings& settings, std::chrono::milliseconds wait, QString& error)
{
    MqttClient client(MqttClient::optionsFor(settings, CardMqtt::clientId(settings.name) + QStringLiteral("-forget")));
    QEventLoop loop;
    QObject::connect(&client, &MqttClient::connectedToBroker, &loop, &QEventLoop::quit);
    QObject::connect(&client, &MqttClient::problem, &loop, [&](const QString& words) {
        error = QStringLiteral("the broker at %1: %2").arg(client.where(), words);
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    client.start();
    loop.exec();
    if (!client.isConnected()) {
        if (error.isEmpty())
            error = QStringLiteral("the broker at %1 did not answer within %2 s").arg(client.where()).arg(wait.count() / 1000);
        return false;
    }
    client.finish(emptied(settings), std::chrono::seconds(2));
    return true;
}

} // namespace card_mqtt
