#include "ha_discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace card_mqtt {
namespace {

// Home Assistant's node id: the prefix's parts and the name, joined by '_'.
QString nodeId(const DiscoveredCard& card)
{
    return QString(card.topicPrefix).replace(QLatin1Char('/'), QLatin1Char('_')) + QLatin1Char('_') + card.name;
}

QJsonObject common(const DiscoveredCard& card, const CardTopics& topics, const QString& component, const QString& object,
                   const QString& name)
{
    const QString unique = nodeId(card) + QLatin1Char('_') + object;
    const QJsonObject device{
        {QStringLiteral("identifiers"), QJsonArray{nodeId(card)}},
        {QStringLiteral("name"), card.name},
        {QStringLiteral("model"), QStringLiteral("PIC Serial Card")},
        {QStringLiteral("manufacturer"), QStringLiteral("Tersani")},
        {QStringLiteral("sw_version"), card.version},
    };
    return {
        {QStringLiteral("name"), name},
        {QStringLiteral("unique_id"), unique},
        {QStringLiteral("default_entity_id"), component + QLatin1Char('.') + unique},
        {QStringLiteral("availability"),
         QJsonArray{QJsonObject{{QStringLiteral("topic"), topics.availability()}},
                    QJsonObject{{QStringLiteral("topic"), topics.card()}}}},
        {QStringLiteral("availability_mode"), QStringLiteral("all")},
        {QStringLiteral("payload_available"), QStringLiteral("online")},
        {QStringLiteral("payload_not_available"), QStringLiteral("offline")},
        {QStringLiteral("qos"), 1},
        {QStringLiteral("device"), device},
        {QStringLiteral("origin"), QJsonObject{{QStringLiteral("name"), QStringLiteral("Pelmora")},
                                               {QStringLiteral("sw_version"), card.version}}},
    };
}

DiscoveryMessage message(const DiscoveredCard& card, const QString& component, const QString& object,
                         const QJsonObject& config)
{
    return {QStringLiteral("%1/%2/%3/%4/config").arg(card.haPrefix, component, nodeId(card), object),
            QJsonDocument(config).toJson(QJsonDocument::Compact)};
}

// The card kept safe, where it is configured: each timed output's time left, and the safe state.
QList<DiscoveryMessage> safetyMessages(const DiscoveredCard& card, const CardTopics& topics)
{
    QList<DiscoveryMessage> messages;
    for (int n = 1; n <= 8; ++n) {
        if (!(card.timedOutputs & (0x80 >> (n - 1))))
            continue;
        const QString object = QStringLiteral("output%1_off_in").arg(n);
        QJsonObject left = common(card, topics, QStringLiteral("sensor"), object,
                                  QStringLiteral("Interruttore %1: spegnimento tra").arg(n));
        left.insert(QStringLiteral("state_topic"), topics.offIn(n));
        left.insert(QStringLiteral("device_class"), QStringLiteral("duration"));
        left.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("s"));
        messages << message(card, QStringLiteral("sensor"), object, left);
    }
    if (card.safeState) {
        QJsonObject safe = common(card, topics, QStringLiteral("binary_sensor"), QStringLiteral("safe"),
                                  QStringLiteral("Stato sicuro"));
        safe.insert(QStringLiteral("state_topic"), topics.safe());
        safe.insert(QStringLiteral("payload_on"), QStringLiteral("on"));
        safe.insert(QStringLiteral("payload_off"), QStringLiteral("off"));
        safe.insert(QStringLiteral("entity_category"), QStringLiteral("diagnostic"));
        messages << message(card, QStringLiteral("binary_sensor"), QStringLiteral("safe"), safe);
    }
    return messages;
}

} // namespace

QList<DiscoveryMessage> discoveryMessages(const DiscoveredCard& card)
{
    const CardTopics topics(card.topicPrefix, card.name);
    QList<DiscoveryMessage> messages;
    for (int n = 1; n <= 8; ++n) {
        QJsonObject output = common(card, topics, QStringLiteral("switch"), QStringLiteral("output%1").arg(n),
                                    QStringLiteral("Interruttore %1").arg(n));
        output.insert(QStringLiteral("state_topic"), topics.output(n));
        output.insert(QStringLiteral("command_topic"), topics.outputCommand(n));
        output.insert(QStringLiteral("payload_on"), QStringLiteral("ON"));
        output.insert(QStringLiteral("payload_off"), QStringLiteral("OFF"));
        output.insert(QStringLiteral("retain"), false);
        messages << message(card, QStringLiteral("switch"), QStringLiteral("output%1").arg(n), output);

        QJsonObject input = common(card, topics, QStringLiteral("binary_sensor"), QStringLiteral("input%1").arg(n),
                                   QStringLiteral("Signal In %1").arg(n));
        input.insert(QStringLiteral("state_topic"), topics.input(n));
        input.insert(QStringLiteral("payload_on"), QStringLiteral("ON"));
        input.insert(QStringLiteral("payload_off"), QStringLiteral("OFF"));
        messages << message(card, QStringLiteral("binary_sensor"), QStringLiteral("input%1").arg(n), input);
    }
    for (int n = 1; n <= 2; ++n) {
        QJsonObject analog = common(card, topics, QStringLiteral("sensor"), QStringLiteral("analog%1").arg(n),
                                    QStringLiteral("Ingresso analogico %1").arg(n));
        analog.insert(QStringLiteral("state_topic"), topics.analog(n));
        analog.insert(QStringLiteral("device_class"), QStringLiteral("voltage"));
        analog.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("V"));
        analog.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
        analog.insert(QStringLiteral("suggested_display_precision"), 2);
        messages << message(card, QStringLiteral("sensor"), QStringLiteral("analog%1").arg(n), analog);
    }
    messages += safetyMessages(card, topics);
    return messages;
}

} // namespace card_mqtt
