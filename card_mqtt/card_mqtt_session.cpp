// CardMqtt's connection: started, the name read and taken or left (see name_claim.h), the
// broker's problems and refusals said once each, and the status line.
#include "card_mqtt.h"

#include "card_topics.h"
#include "mqtt_client.h"
#include "mqtt_words.h"
#include "name_claim.h"

#include <QCoreApplication>
#include <QSysInfo>

namespace card_mqtt {

void CardMqtt::start()
{
    if (!settings_.passwordWarning.isEmpty())
        emit said(settings_.passwordWarning);
    const QString program = QCoreApplication::applicationName();
    claim_ = std::make_unique<NameClaim>(program.isEmpty() ? QStringLiteral("pelmora") : program, settings_.name,
                                         card_.device);
    // Of this holder only: two holders of one name never take the connection from each other.
    clientId_ = QStringLiteral("pelmora-%1-%2-%3")
                    .arg(QSysInfo::machineHostName(), settings_.name, claim_->self().id.left(8));
    MqttClient::Options options = MqttClient::optionsFor(settings_, clientId_);
    options.willTopic = topics_->availability();
    options.willPayload = CardTopics::availabilityWord(false);
    client_ = std::make_unique<MqttClient>(options, this);
    wire();
    setStatus(MqttStatus::Connecting);
    client_->start();
}

void CardMqtt::wire()
{
    connect(client_.get(), &MqttClient::connectedToBroker, this, &CardMqtt::connected);
    connect(client_.get(), &MqttClient::message, this, &CardMqtt::onMessage);
    connect(client_.get(), &MqttClient::subscribed, this, &CardMqtt::onSubscribed);
    connect(client_.get(), &MqttClient::acknowledged, this, &CardMqtt::onAcknowledged);
    // Each problem said once, until a connection is made; a connection taken over likewise.
    connect(client_.get(), &MqttClient::problem, this, [this](const QString& words, std::chrono::milliseconds wait) {
        if (std::exchange(problemSaid_, words) != words)
            emit said(problemLine(client_->where(), words, wait, language_));
        setStatus(MqttStatus::Off, words);
        emit onBroker(false);
    });
    connect(client_.get(), &MqttClient::takenOver, this, [this](std::chrono::milliseconds wait) {
        if (!std::exchange(takenOverSaid_, true))
            emit said(takenOverLine(client_->where(), clientId_, wait, language_));
        setStatus(MqttStatus::TakenOver, clientId_);
        emit onBroker(false);
    });
    connect(client_.get(), &MqttClient::unavailable, this, [this](const QString& words) {
        emit said(libraryMissingLine(words, language_));
        setStatus(MqttStatus::Unavailable);
    });
}

void CardMqtt::connected()
{
    problemSaid_.clear();
    ownerUnreadable_ = false;
    refusalSaid_[0] = refusalSaid_[1] = false;
    refused_.clear();
    claim_->connected();
    // Who holds the name, as the broker keeps it; the commands' subscription is answered
    // once every retained message of the two before it has come.
    client_->subscribe(topics_->owner(), true);
    client_->subscribe(topics_->availability(), true);
    client_->subscribe(topics_->commands());
}

void CardMqtt::onSubscribed(const QString& pattern, const QString& refusal)
{
    if (!refusal.isEmpty()) {
        ownerUnreadable_ = ownerUnreadable_ || pattern == topics_->owner();
        sayRefused(pattern, refusal, true);
    }
    if (pattern == topics_->commands() && claim_->state() == NameClaim::State::Reading)
        decide();
}

void CardMqtt::decide()
{
    if (ownerUnreadable_) {
        claim_->holdWithoutRecord();
        hold();
        return;
    }
    Holder other;
    if (!claim_->mayTake(other)) {
        yield(other);
        return;
    }
    client_->publish(topics_->owner(), claim_->self().record(), true);
}

void CardMqtt::onAcknowledged(const QString& topic, const QString& refusal)
{
    if (!refusal.isEmpty())
        sayRefused(topic, refusal, false);
    if (topic != topics_->owner() || claim_->state() != NameClaim::State::Claiming)
        return;
    Holder other;
    if (!refusal.isEmpty())
        claim_->holdWithoutRecord();
    else if (!claim_->recordAcknowledged(other)) {
        yield(other);
        return;
    }
    hold();
}

void CardMqtt::hold()
{
    takenOverSaid_ = false;
    usedBySaid_.clear();
    emit said(connectedLine(client_->where(), clientId_, language_));
    setStatus(MqttStatus::On, refused_);
    if (settings_.discovery)
        client_->subscribe(settings_.haStatusTopic);
    client_->subscribe(topics_->heartbeat());
    client_->publish(topics_->availability(), CardTopics::availabilityWord(true), true);
    emit onBroker(true);
    publishDiscovery();
    publishEverything();
}

void CardMqtt::yield(const Holder& other)
{
    // Said again only for another holder; looked at again quietly.
    if (std::exchange(usedBySaid_, other.id) != other.id)
        emit said(nameUsedLine(settings_.name, client_->where(), other.program, other.machine, language_));
    setStatus(MqttStatus::Off, nameUsedStatus(settings_.name, other.program, other.machine, language_));
    client_->pause(kLookAgain);
    emit onBroker(false);
}

void CardMqtt::sayRefused(const QString& topic, const QString& words, bool subscription)
{
    if (std::exchange(refusalSaid_[subscription ? 1 : 0], true))
        return;
    emit said(refusedLine(client_->where(), topic, words, subscription, language_));
    if (refused_.isEmpty())
        refused_ = QStringLiteral("%1: %2").arg(topic, words);
    if (holding())
        setStatus(MqttStatus::On, refused_);
}

void CardMqtt::setStatus(MqttStatus status, const QString& detail)
{
    const QString line = statusLine(status, client_->where(), detail, language_);
    if (std::exchange(status_, line) != line)
        emit statusChanged();
}

bool CardMqtt::holding() const
{
    return client_ && client_->isConnected() && claim_->state() == NameClaim::State::Holding;
}

} // namespace card_mqtt
