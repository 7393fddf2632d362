#pragma once
// The card's state as the properties of io.github.pelmora.Card1, by name, ready for
// PropertiesChanged and GetAll.

#include "card_state.h"

#include <QVariantMap>

namespace panel {

// The card's byte for a reading in volts: r x 5 / 255 turned back.
int raw_from_volts(double volts);

QVariantMap card_properties(const CardState& card);

// Only the properties whose values differ; empty when nothing changed.
QVariantMap changed_properties(const CardState& before, const CardState& after);

} // namespace panel
