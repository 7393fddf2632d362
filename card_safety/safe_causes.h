#pragma once
// The causes of the safe state and when each is due: the broker unreachable, Home
// Assistant offline, every client silent, each for its configured time. A cause fires once
// for each time it occurs; only its end (or, for silence, the next command or heartbeat)
// lets it fire again.

#include "safety_settings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <optional>

namespace card_safety {

class SafeCauses {
public:
    using Time = std::chrono::steady_clock::time_point;

    explicit SafeCauses(const SafetySettings& settings);

    // Silence counts from `now`, and so does a configured broker's absence: it has not been
    // reached yet.
    void start(Time now);
    void broker(bool reachable, Time now) { set(kBroker, !reachable, now); }
    void homeAssistant(bool online, Time now) { set(kHomeAssistant, !online, now); }
    // A command or a heartbeat: silence starts again.
    void activity(Time now);

    // When the next cause is due; Time::max() when none is pending.
    Time nextDue() const;
    // The reasons of the causes due at `now`, which fire with it.
    QStringList fire(Time now);

private:
    enum Which { kBroker, kHomeAssistant, kSilence };
    struct Cause {
        std::optional<Duration> after;  // not configured: never due
        std::optional<Time> since;      // while it holds
        bool fired = false;
    };

    void set(Which which, bool holds, Time now);
    std::optional<Time> due(const Cause& cause) const;

    std::array<Cause, 3> causes_;
};

} // namespace card_safety
