#pragma once
// The card's state as the properties of io.github.pelmora.Card1, by name, ready for
// PropertiesChanged and GetAll.

#include "card_state.h"

#include <QVariantMap>

namespace panel {

// The card's byte for a reading in volts: r x 5 / 255 turned back.
int rawFromVolts(double volts);

QVariantMap cardProperties(const CardState& card);

// Only the properties whose values differ; empty when nothing changed.
QVariantMap changedProperties(const CardState& before, const CardState& after);

} // namespace panel
