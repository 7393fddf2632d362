#pragma once
// Takes a card off the broker for good (pelmorad --mqtt-forget): every configuration of
// Home Assistant's discovery published empty, so that it removes the card's entities, and
// every retained topic of the card cleared, its name's record too. At QoS 1, each message
// acknowledged by the broker. Under a client id of its own, so that a running program of
// the same name keeps its connection.

#include "mqtt_settings.h"

#include <chrono>

namespace card_mqtt {

// Connects, clears and ends; true once the broker has taken every message. False with
// `error` when it could not be reached within `wait`, refused the connection or any of the
// messages (in its words), or did not acknowledge them all in that time.
bool forgetCard(const MqttSettings& settings, std::chrono::milliseconds wait, QString& error);

} // namespace card_mqtt
