#pragma once
// The card on an MQTT broker, beside its face on the bus: its states under PREFIX/NAME/
// (retained, QoS 1), its two availabilities, Home Assistant's discovery, and commands from
// the broker handed to the holder exactly as a press of an output's button. What is
// published comes from what the holder shows: outputs and inputs at once when they change
// (an output switched from the broker only once the card has been sent it), the analogue
// inputs past a dead band, at most once a second and at least once a minute. The name is
// held by one program at a time (see name_claim.h): one that finds it held by another stays
// off the broker, looking again now and then, while its card is polled as ever. The panel
// and the service offer the same face; each says what happens in its own language.

#include "mqtt_settings.h"

#include "card_link/card_state.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

namespace card_mqtt {

class MqttClient;
class NameClaim;
class ReadingRate;
class CardTopics;
struct Holder;
enum class MqttStatus;

class CardMqtt : public QObject {
    Q_OBJECT
public:
    // How long one that finds its name held waits before it looks again.
    static constexpr std::chrono::seconds kLookAgain{60};

    // `version`: the program's, for Home Assistant's device and origin.
    CardMqtt(card_link::CardHolder& holder, const MqttSettings& settings, const QString& version,
             card_link::Language language, QObject* parent = nullptr);
    // Says goodbye: the program and the card offline, then a clean end of the connection.
    ~CardMqtt() override;

    // Connects in the background, and again whenever the broker is lost. The card's device
    // as last shown is part of this program's identity as the name's holder.
    void start();
    // What the holder shows now: what changed goes to the broker.
    void show(const card_link::CardState& card);
    // The card's state on the broker in a few words, for a status line.
    QString status() const { return status_; }

signals:
    // A line for the user: a connection made or lost, a command refused.
    void said(const QString& line);
    void statusChanged();
    // The card is on the broker (its name held), or off it; what Home Assistant said on its
    // status topic. For the card's guard.
    void onBroker(bool on);
    void homeAssistantSaid(bool online);

private:
    // The connection, and who holds the name (card_mqtt_session.cpp).
    void wire();
    void connected();
    void onSubscribed(const QString& pattern, const QString& refusal);
    void onAcknowledged(const QString& topic, const QString& refusal);
    void decide();
    void hold();
    void yield(const Holder& other);
    void sayRefused(const QString& topic, const QString& words, bool subscription);
    void setStatus(MqttStatus status, const QString& detail = {});
    bool holding() const;

    // What goes to the broker, and what comes from it (card_mqtt.cpp).
    void onMessage(const QString& topic, const QByteArray& payload, bool retained);
    void command(int output, const QString& topic, const QByteArray& payload, bool retained);
    void publishDiscovery();
    void publishEverything();
    void publishReplies();
    void publishChanges(const card_link::CardState& card);
    void publishOutput(int n);
    // The time left of each timed output and the safe state: what changed, or `all`.
    void publishSafety(const card_link::CardState& card, bool all);
    void publishReadingsDue();
    void scheduleReadings();

    card_link::CardHolder& holder_;
    MqttSettings settings_;
    QString version_;
    card_link::Language language_;
    std::unique_ptr<CardTopics> topics_;
    std::unique_ptr<NameClaim> claim_;
    std::unique_ptr<MqttClient> client_;
    QString clientId_;
    std::unique_ptr<ReadingRate> rates_[2];
    card_link::CardState card_;       // as the holder shows it
    card_link::CardState published_;  // as the broker has it
    bool replied_ = false;            // the card has answered at least once
    QString problemSaid_;             // the broker's problem said last, until a connection
    bool takenOverSaid_ = false;      // until a connection
    QString usedBySaid_;              // the other holder of the name said last, until it is held
    bool ownerUnreadable_ = false;    // the broker refuses the subscription to the owner's record
    bool refusalSaid_[2] = {};        // a publication, a subscription refused: once a connection
    QString refused_;                 // the first refusal of the connection, for the status
    QString status_;
    QTimer readings_;
    std::chrono::steady_clock::time_point readingsDue_{};
    QTimer birth_;
};

} // namespace card_mqtt
