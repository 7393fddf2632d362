#include "mqtt_backoff.h"

#include <algorithm>

namespace card_mqtt {

MqttBackoff::MqttBackoff() : random_(std::random_device{}()) {}

std::chrono::milliseconds MqttBackoff::next()
{
    std::uniform_real_distribution<double> jitter(0.8, 1.2);
    const auto wait = std::chrono::milliseconds(static_cast<long long>(wait_.count() * jitter(random_)));
    wait_ = std::min(wait_ * 2, kLongest);
    return wait;
}

void MqttBackoff::disconnected(Clock::time_point now)
{
    if (connectedAt_ != Clock::time_point{} && now - connectedAt_ >= kSteady)
        wait_ = kFirst;
    connectedAt_ = {};
}

} // namespace card_mqtt
