#pragma once
// How long to wait before the next try at the broker: 1 s, doubling to 30 s, each wait
// with up to a fifth more or less at random, so that programs that lost the broker
// together do not come back together. A connection that lasted a while starts the waits
// over; one that ended soon (taken over by a program with the same name, say) does not,
// so that two such programs never take turns faster than the waits.

#include <chrono>
#include <random>

namespace card_mqtt {

class MqttBackoff {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kFirst{1000};
    static constexpr std::chrono::milliseconds kLongest{30000};
    // A connection that lasts this long starts the waits over.
    static constexpr std::chrono::seconds kSteady{60};

    MqttBackoff();

    // The wait before the next try, and the one after it doubled.
    std::chrono::milliseconds next();
    void connected(Clock::time_point now) { connectedAt_ = now; }
    void disconnected(Clock::time_point now);

private:
    std::chrono::milliseconds wait_ = kFirst;
    Clock::time_point connectedAt_{};
    std::mt19937 random_;
};

} // namespace card_mqtt
