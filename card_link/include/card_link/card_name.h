#pragma once
// A card's name on the bus and the broker ("tank", "ttyUSB0"): letters, digits, '-' and
// '_', at most kLongest characters, so that it fits a bus name and a topic as it is.

#include "port_messages/port_messages.h"

#include <QString>

namespace card_link {

inline constexpr int kLongestCardName = 32;

// Why `name` cannot be a card's name, in the program's language; empty when it can.
QString cardNameProblem(const QString& name, Language language = Language::English);

// The name a card has unless it is given one: its device's file name ("ttyUSB0" for
// /dev/ttyUSB0), or for a card on another machine its host and port ("pi-3001"), with
// every other character made '_' and cut to the longest; "card" when nothing is left.
QString defaultCardName(const QString& device);

} // namespace card_link
