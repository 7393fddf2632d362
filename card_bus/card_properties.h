#pragma once
// The card's state as the properties of io.github.pelmora.Card1, by name, ready for
// PropertiesChanged, Get and GetAll.

#include "card_link/card_state.h"

#include <QVariantMap>

namespace card_bus {

// The card's byte for a reading in volts: r x 5 / 255 turned back.
int rawFromVolts(double volts);

QVariantMap cardProperties(const card_link::CardState& card);

// Only the properties whose values differ; empty when nothing changed.
QVariantMap changedProperties(const card_link::CardState& before, const card_link::CardState& after);

} // namespace card_bus
