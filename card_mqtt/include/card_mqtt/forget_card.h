#pragma once
// Takes a card off the broker for good (pelmorad --mqtt-forget): every configuration of
// Home Assistant's discovery published empty, so that it removes the card's entities, and
// every retained topic of the card cleared. Under a client id of its own, so that a running
// program of the same name keeps its connection.

#include "mqtt_settings.h"

#include <chrono>

namespace card_mqtt {

// Connects, clears and ends; false with `error` when the broker could not be reached, or
// refused, within `wait`.
bool forgetCard(const MqttSettings& settings, std::chrono::milliseconds wait, QString& error);

} // namespace card_mqtt
