#pragma once
// The arguments of a request to switch outputs, checked the same way by the panel, which
// refuses a bad one with a D-Bus error, and by pelmora-ctl, before it asks.

#include "card_link/card_state.h"

#include <QString>
#include <optional>

namespace card_bus {

inline constexpr int kOutputCount = 8;
inline constexpr qint64 kMaxMask = 0xFF;

using card_link::OutputState;

// Why a request is refused: the D-Bus error's name, and a message for the user.
struct Refusal {
    QString name;
    QString message;
};

// Outputs are numbered 1 to 8.
std::optional<Refusal> checkOutput(qint64 output);
// One bit for each output, so at most 0xFF.
std::optional<Refusal> checkMask(qint64 mask);
// "on", "off" or "toggle"; nothing for any other word.
std::optional<OutputState> outputState(const QString& word);
Refusal stateRefusal(const QString& word);

// The mask with output `output` (1 to 8) switched to `state`: output n is bit 8 - n.
int switchedMask(int mask, int output, OutputState state);

} // namespace card_bus
