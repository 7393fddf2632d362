// The traffic of MqttClient: what is published (at once, or through the outbox while the
// connection does not keep up), the subscriptions, and the broker's answers to both.
#include "mqtt_client.h"

#include "mosquitto_library.h"

#include <QSocketNotifier>

#include <mqtt_protocol.h>

namespace card_mqtt {

bool MqttClient::publish(const QString& topic, const QByteArray& payload, bool retain)
{
    if (!connected_)
        return false;
    const Outbox::Message message{topic, payload, retain};
    if (!outbox_.isEmpty() || congested()) {
        outbox_.hold(message);
        return true;
    }
    return send(1, message);
}

bool MqttClient::congested() const
{
    return unacknowledged_.size() >= kMostUnacknowledged || lib_->want_write(mosq_);
}

bool MqttClient::send(int qos, const Outbox::Message& message)
{
    int id = 0;
    const int rc = lib_->publish_v5(mosq_, &id, message.topic.toUtf8().constData(), int(message.payload.size()),
                                    message.payload.constData(), qos, message.retain, nullptr);
    if (rc == MOSQ_ERR_SUCCESS && qos > 0)
        unacknowledged_.insert(id, message.topic);
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::drain()
{
    while (connected_ && !outbox_.isEmpty() && !congested())
        send(1, outbox_.take());
}

bool MqttClient::subscribe(const QString& pattern, bool retainedToo)
{
    if (!connected_)
        return false;
    // What is published with the retain flag keeps it: a command meant to be kept is known
    // as one, whenever it comes.
    const int options = MQTT_SUB_OPT_RETAIN_AS_PUBLISHED
        | (retainedToo ? MQTT_SUB_OPT_SEND_RETAIN_ALWAYS : MQTT_SUB_OPT_SEND_RETAIN_NEVER);
    int id = 0;
    const int rc = lib_->subscribe_v5(mosq_, &id, pattern.toUtf8().constData(), 1, options, nullptr);
    if (rc == MOSQ_ERR_SUCCESS)
        subscriptions_.insert(id, pattern);
    if (writeNotifier_)
        writeNotifier_->setEnabled(lib_->want_write(mosq_));
    return rc == MOSQ_ERR_SUCCESS;
}

void MqttClient::onMessage(mosquitto*, void* self, const mosquitto_message* message, const mosquitto_property*)
{
    emit static_cast<MqttClient*>(self)->message(
        QString::fromUtf8(message->topic), QByteArray(static_cast<const char*>(message->payload), message->payloadlen),
        message->retain);
}

void MqttClient::onPublish(mosquitto*, void* self, int id, int reason, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    // Sent at QoS 0, or on a connection before this one: nobody waits for it.
    const QString topic = client->unacknowledged_.take(id);
    if (topic.isNull())
        return;
    emit client->acknowledged(topic, reason >= 128 ? client->reasonWords(reason) : QString());
    client->drain();
}

void MqttClient::onSubscribe(mosquitto*, void* self, int id, int count, const int* granted, const mosquitto_property*)
{
    auto* client = static_cast<MqttClient*>(self);
    const QString pattern = client->subscriptions_.take(id);
    if (pattern.isNull())
        return;
    // Of one topic: the quality granted, or a reason code of 128 and more for a refusal.
    const int reason = count > 0 ? granted[0] : MQTT_RC_UNSPECIFIED;
    emit client->subscribed(pattern, reason >= 128 ? client->reasonWords(reason) : QString());
}

} // namespace card_mqtt
