#pragma once
// The card on an MQTT broker, beside its face on the bus: its states under PREFIX/NAME/
// (retained, QoS 1), its two availabilities, Home Assistant's discovery, and commands from
// the broker handed to the holder exactly as a press of an output's button. What is
// published comes from what the holder shows: outputs and inputs at once when they change
// (an output switched from the broker only once the card has been sent it), the analogue
// inputs past a dead band, at most once a second and at least once a minute. The panel and
// the service offer the same face; each says what happens in its own language.

#include "mqtt_settings.h"

#include "card_link/card_state.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <memory>

namespace card_mqtt {

class MqttClient;
class ReadingRate;
class CardTopics;

class CardMqtt : public QObject {
    Q_OBJECT
public:
    // `version`: the program's, for Home Assistant's device and origin.
    CardMqtt(card_link::CardHolder& holder, const MqttSettings& settings, const QString& version,
             card_link::Language language, QObject* parent = nullptr);
    // Says goodbye: the program and the card offline, then a clean end of the connection.
    ~CardMqtt() override;

    // Connects in the background, and again whenever the broker is lost.
    void start();
    // What the holder shows now: what changed goes to the broker.
    void show(const card_link::CardState& card);

    // The client id: pelmora-HOST-NAME, so that one program of a machine holds one name.
    static QString clientId(const QString& name);

signals:
    // A line for the user: a connection made or lost, a command refused.
    void said(const QString& line);

private:
    void connected();
    void onMessage(const QString& topic, const QByteArray& payload, bool retained);
    void command(int output, const QString& topic, const QByteArray& payload, bool retained);
    void publishDiscovery();
    void publishEverything();
    void publishReplies();
    void publishChanges(const card_link::CardState& card);
    void publishOutput(int n);
    void publishReadingsDue();
    void scheduleReadings();

    card_link::CardHolder& holder_;
    MqttSettings settings_;
    QString version_;
    card_link::Language language_;
    std::unique_ptr<CardTopics> topics_;
    std::unique_ptr<MqttClient> client_;
    std::unique_ptr<ReadingRate> rates_[2];
    card_link::CardState card_;       // as the holder shows it
    card_link::CardState published_;  // as the broker has it
    bool replied_ = false;            // the card has answered at least once
    QString problemSaid_;             // the broker's problem said last, until a connection
    bool takenOverSaid_ = false;
    QTimer readings_;
    std::chrono::steady_clock::time_point readingsDue_{};
    QTimer birth_;
};

} // namespace card_mqtt
