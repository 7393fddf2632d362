#include "forget_card.h"

#include "card_topics.h"
#include "ha_discovery.h"
#include "mqtt_client.h"

#include <QEventLoop>
#include <QSysInfo>
#include <QTimer>

namespace card_mqtt {
namespace {

// Empty, retained: what clears a retained topic, and what Home Assistant takes for "remove".
QList<std::pair<QString, QByteArray>> emptied(const MqttSettings& settings)
{
    QList<std::pair<QString, QByteArray>> topics;
    for (const DiscoveryMessage& message : discoveryMessages({settings.haPrefix, settings.topicPrefix, settings.name, {}, 0xFF, true}))
        topics.append({message.topic, {}});
    const CardTopics card(settings.topicPrefix, settings.name);
    for (int n = 1; n <= 8; ++n)
        topics << std::pair{card.output(n), QByteArray()} << std::pair{card.input(n), QByteArray()}
               << std::pair{card.offIn(n), QByteArray()};
    topics << std::pair{card.analog(1), QByteArray()} << std::pair{card.analog(2), QByteArray()}
           << std::pair{card.availability(), QByteArray()} << std::pair{card.card(), QByteArray()}
           << std::pair{card.owner(), QByteArray()} << std::pair{card.safe(), QByteArray()}
           << std::pair{card.safeReason(), QByteArray()};
    return topics;
}

} // namespace

bool forgetCard(const MqttSettings& settings, std::chrono::milliseconds wait, QString& error)
{
    MqttClient client(MqttClient::optionsFor(
        settings, QStringLiteral("pelmora-%1-%2-forget").arg(QSysInfo::machineHostName(), settings.name)));
    QEventLoop loop;
    QString refused;  // the first message the broker refused, and its words
    QObject::connect(&client, &MqttClient::connectedToBroker, &loop, [&] {
        for (const auto& [topic, payload] : emptied(settings))
            client.publish(topic, payload, true);
    });
    QObject::connect(&client, &MqttClient::acknowledged, &loop, [&](const QString& topic, const QString& refusal) {
        if (!refusal.isEmpty() && refused.isEmpty())
            refused = QStringLiteral("%1: %2").arg(topic, refusal);
        if (client.allAcknowledged())
            loop.quit();
    });
    QObject::connect(&client, &MqttClient::problem, &loop, [&](const QString& words) {
        error = QStringLiteral("the broker at %1: %2").arg(client.where(), words);
        loop.quit();
    });
    QObject::connect(&client, &MqttClient::unavailable, &loop, [&](const QString& words) {
        error = QStringLiteral("libmosquitto is missing (%1): install the package libmosquitto1").arg(words);
        loop.quit();
    });
    QTimer::singleShot(wait, &loop, &QEventLoop::quit);
    client.start();
    loop.exec();
    if (!error.isEmpty())
        return false;
    if (!client.isConnected()) {
        error = QStringLiteral("the broker at %1 did not answer within %2 s").arg(client.where()).arg(wait.count() / 1000);
        return false;
    }
    const bool done = client.allAcknowledged();
    client.finish({}, std::chrono::seconds(2));
    if (!refused.isEmpty())
        error = QStringLiteral("the broker at %1 refused to clear %2; the card is not off it").arg(client.where(), refused);
    else if (!done)
        error = QStringLiteral("the broker at %1 did not take every message within %2 s")
                    .arg(client.where())
                    .arg(wait.count() / 1000);
    return error.isEmpty();
}

} // namespace card_mqtt
