#pragma once
// What the safety keys, each good alone, cannot ask together: an output in two groups of
// an interlock, two outputs of one group on at start, a safe state that turns two outputs
// of one group on.

#include "safety_settings.h"

#include <QString>

#include <optional>

namespace card_safety {

struct SafetyConflict {
    QString key;    // the key whose line is at fault: "interlock", "output-4-safe"
    QString words;  // what is wrong, in English: "output 2 is in two groups of the interlock"
};

// The first conflict, or nothing when the settings hold together.
std::optional<SafetyConflict> checkSafety(const SafetySettings& settings);

} // namespace card_safety
