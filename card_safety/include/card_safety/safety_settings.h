#pragma once
// How the card is kept safe, as its configuration says (the keys are in safety_options.h):
// per output what it does at start, how long it may stay on and what the safe state does to
// it; groups of outputs never on together; and what puts the safe state on the card.
// Nothing set at all: the card behaves as it always has.

#include "duration.h"
#include "output_bits.h"

#include <array>
#include <optional>
#include <vector>

namespace card_safety {

enum class AtStart { Default, Off, On, Restore };  // Default: the card-wide outputs-at-start
enum class SafeAction { Keep, Off, On };

struct OutputSafety {
    AtStart atStart = AtStart::Default;
    std::optional<Duration> maxOn;  // switched off this long after its last ON
    SafeAction safe = SafeAction::Keep;
};

struct SafetySettings {
    std::array<OutputSafety, kOutputCount> outputs{};  // by channel: outputs[0] is output 1
    std::vector<std::vector<int>> interlocks;          // groups of channels, one group an output at most
    Duration interlockWait{0};                         // how long the others are off before an ON
    std::optional<Duration> safeWhenBrokerLost;        // the broker unreachable this long
    std::optional<Duration> safeWhenHaOffline;         // Home Assistant offline this long
    std::optional<Duration> safeWhenSilent;            // no command and no heartbeat this long
    bool safeAtStop = false;                           // a clean stop sends the safe state

    // Anything at all set apart from the defaults.
    bool configured() const;
};

// The outputs with a time set, as a mask; whether anything puts the safe state on the card.
int timedOutputs(const SafetySettings& settings);
bool hasSafeState(const SafetySettings& settings);

} // namespace card_safety
