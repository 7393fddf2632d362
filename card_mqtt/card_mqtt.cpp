#include "card_mqtt.h"

#include "card_topics.h"
#include "ha_discovery.h"
#include "mqtt_client.h"
#include "mqtt_words.h"
#include "name_claim.h"
#include "reading_rate.h"

#include "card_link/card_frames.h"
#include "card_link/printable_text.h"

#include <QRandomGenerator>

namespace card_mqtt {
namespace {

using Clock = ReadingRate::Clock;

constexpr int kLongestCommand = 8;  // bytes: ON and OFF, and room for a wrong one to be shown
constexpr std::chrono::milliseconds kGoodbyeWait{300};
// A reading held back is sent by the first poll after it is due; the timer, a little later,
// sends it only when no poll comes (the card gone, or keeping its values), and so never
// wakes the program between two polls for it.
constexpr std::chrono::milliseconds kAfterThePoll{250};

QByteArray onOff(bool on)
{
    return on ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF");
}

// Two decimals, with a point whatever the locale.
QByteArray volts(double value)
{
    return QByteArray::number(value, 'f', 2);
}

bool inputOn(int inputs, int n)
{
    return (inputs >> (n - 1)) & 1;
}

} // namespace

CardMqtt::CardMqtt(card_link::CardHolder& holder, const MqttSettings& settings, const QString& version,
                   card_link::Language language, QObject* parent)
    : QObject(parent), holder_(holder), settings_(settings), version_(version), language_(language),
      topics_(std::make_unique<CardTopics>(settings.topicPrefix, settings.name))
{
    for (auto& rate : rates_)
        rate = std::make_unique<ReadingRate>(settings.deadband);
    readings_.setSingleShot(true);
    connect(&readings_, &QTimer::timeout, this, &CardMqtt::publishReadingsDue);
    birth_.setSingleShot(true);
    connect(&birth_, &QTimer::timeout, this, [this] {
        if (!holding())
            return;
        client_->publish(topics_->availability(), CardTopics::availabilityWord(true), true);
        publishDiscovery();
        publishEverything();
    });
}

CardMqtt::~CardMqtt()
{
    if (!client_)
        return;
    // The availability is only the holder's to say: one that left the name to another leaves it.
    const QByteArray offline = CardTopics::availabilityWord(false);
    if (holding())
        client_->finish({{topics_->availability(), offline}, {topics_->card(), offline}}, kGoodbyeWait);
    else
        client_->finish({}, kGoodbyeWait);
}

void CardMqtt::publishDiscovery()
{
    if (!settings_.discovery)
        return;
    for (const DiscoveryMessage& message :
         discoveryMessages({settings_.haPrefix, settings_.topicPrefix, settings_.name, version_,
                            settings_.timedOutputs, settings_.safeState}))
        client_->publish(message.topic, message.payload, false);
}

void CardMqtt::publishEverything()
{
    for (int n = 1; n <= 8; ++n)
        publishOutput(n);
    publishSafety(card_, true);
    publishReplies();
}

void CardMqtt::publishSafety(const card_link::CardState& card, bool all)
{
    for (int n = 1; n <= 8; ++n) {
        const int left = card.offIn[size_t(n - 1)];
        const bool timed = settings_.timedOutputs & (0x80 >> (n - 1));
        if (timed && (all || left != published_.offIn[size_t(n - 1)]))
            client_->publish(topics_->offIn(n), QByteArray::number(std::max(left, 0)), true);
    }
    if (settings_.safeState && (all || card.safe != published_.safe)) {
        client_->publish(topics_->safe(), card.safe.isEmpty() ? QByteArrayLiteral("off") : QByteArrayLiteral("on"), true);
        client_->publish(topics_->safeReason(), card.safe.toUtf8(), true);
    }
}

void CardMqtt::publishReplies()
{
    client_->publish(topics_->card(), CardTopics::availabilityWord(card_.connected), true);
    published_ = card_;
    if (!replied_)
        return;  // no reply yet to publish
    for (int n = 1; n <= 8; ++n)
        client_->publish(topics_->input(n), onOff(inputOn(card_.inputs, n)), true);
    const auto now = Clock::now();
    const double readings[2] = {card_.analog1Volts, card_.analog2Volts};
    for (int i = 0; i < 2; ++i) {
        rates_[i]->offer(readings[i], now);
        rates_[i]->sentAnew(now);
        client_->publish(topics_->analog(i + 1), volts(readings[i]), true);
    }
    scheduleReadings();
}

void CardMqtt::publishOutput(int n)
{
    client_->publish(topics_->output(n), onOff(card_link::outputOn(card_.outputs, n - 1)), true);
}

void CardMqtt::show(const card_link::CardState& card)
{
    card_ = card;
    // The inputs and readings come from the card's replies: none are published before the first.
    const bool firstReply = card.connected && !std::exchange(replied_, true);
    if (!holding())
        return;
    if (firstReply)
        publishReplies();
    else
        publishChanges(card);
}

void CardMqtt::publishChanges(const card_link::CardState& card)
{
    for (int n = 1; n <= 8; ++n) {
        if (card_link::outputOn(card.outputs, n - 1) != card_link::outputOn(published_.outputs, n - 1))
            publishOutput(n);
        if (replied_ && inputOn(card.inputs, n) != inputOn(published_.inputs, n))
            client_->publish(topics_->input(n), onOff(inputOn(card.inputs, n)), true);
    }
    if (card.connected != published_.connected)
        client_->publish(topics_->card(), CardTopics::availabilityWord(card.connected), true);
    publishSafety(card, false);
    published_ = card;
    if (!replied_)
        return;
    const auto now = Clock::now();
    const double readings[2] = {card.analog1Volts, card.analog2Volts};
    for (int i = 0; i < 2; ++i) {
        if (rates_[i]->offer(readings[i], now))
            client_->publish(topics_->analog(i + 1), volts(readings[i]), true);
    }
    scheduleReadings();
}

void CardMqtt::publishReadingsDue()
{
    if (!holding())
        return;
    const auto now = Clock::now();
    for (int i = 0; i < 2; ++i) {
        const auto due = rates_[i]->nextDue();
        if (due && *due <= now) {
            rates_[i]->sentAnew(now);
            client_->publish(topics_->analog(i + 1), volts(rates_[i]->latest()), true);
        }
    }
    scheduleReadings();
}

void CardMqtt::scheduleReadings()
{
    std::optional<Clock::time_point> next;
    for (const auto& rate : rates_) {
        if (const auto due = rate->nextDue(); due && (!next || *due < *next))
            next = due;
    }
    // Most polls leave the next sending where it was: the timer is not set again for them.
    if (!next || (readings_.isActive() && *next == readingsDue_))
        return;
    readingsDue_ = *next;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()) + kAfterThePoll;
    readings_.start(std::max(wait, std::chrono::milliseconds::zero()));
}

void CardMqtt::onMessage(const QString& topic, const QByteArray& payload, bool retained)
{
    if (topic == topics_->owner()) {
        // Another took the name while this one holds it: the record is this one's again.
        if (claim_->heardRecord(payload) == NameClaim::Then::ClaimAgain)
            client_->publish(topics_->owner(), claim_->self().record(), true);
        return;
    }
    if (topic == topics_->availability()) {
        if (claim_->state() == NameClaim::State::Reading)
            claim_->heardAvailability(payload);
        else if (holding() && payload == "offline")  // another's will, not this one's word
            client_->publish(topics_->availability(), CardTopics::availabilityWord(true), true);
        return;
    }
    if (!holding())
        return;
    if (topic == topics_->heartbeat()) {
        if (!retained)
            holder_.heartbeat();
        return;
    }
    if (settings_.discovery && topic == settings_.haStatusTopic) {
        if (payload == "online" || payload == "offline")
            emit homeAssistantSaid(payload == "online");
        // Home Assistant has started: everything again, after a moment, not all at once.
        if (payload == "online" && !birth_.isActive())
            birth_.start(int(QRandomGenerator::global()->bounded(500, 2500)));
        return;
    }
    if (const int output = topics_->commandOutput(topic))
        command(output, topic, payload, retained);
}

void CardMqtt::command(int output, const QString& topic, const QByteArray& payload, bool retained)
{
    const QString shown = card_link::printableText(payload, kLongestCommand);
    QString refusal;
    if (retained)
        refusal = retainedCommandLine(topic, shown, language_);
    else if (payload != "ON" && payload != "OFF")
        refusal = notACommandLine(topic, shown, language_);
    else if (const QString why = holder_.switchOutput(output - 1, payload == "ON" ? card_link::OutputState::On
                                                                                   : card_link::OutputState::Off);
             !why.isEmpty())
        refusal = notDoneLine(topic, why, language_);
    if (refusal.isEmpty())
        return;
    emit said(refusal);
    // Whoever sent it learns the output's true state.
    publishOutput(output);
}

} // namespace card_mqtt
