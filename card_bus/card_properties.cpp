#include "card_properties.h"

#include "card_bus_names.h"

#include <QtMath>

namespace card_bus {

int rawFromVolts(double volts)
{
    return qRound(volts * 255.0 / 5.0);
}

QVariantMap cardProperties(const card_link::CardState& card)
{
    return {
        {kName, card.name},
        {kOutputs, uint(card.outputs)},
        {kInputs, uint(card.inputs)},
        {kAnalog1Volts, card.analog1Volts},
        {kAnalog2Volts, card.analog2Volts},
        {kAnalog1Raw, uint(rawFromVolts(card.analog1Volts))},
        {kAnalog2Raw, uint(rawFromVolts(card.analog2Volts))},
        {kPort, card.port},
        {kDevice, card.device},
        {kConnected, card.connected},
        {kOffIn, QVariant::fromValue(QList<int>(card.offIn.begin(), card.offIn.end()))},
        {kSafeState, card.safe},
    };
}

QVariantMap changedProperties(const card_link::CardState& before, const card_link::CardState& after)
{
    if (before == after)
        return {};
    const QVariantMap old = cardProperties(before);
    QVariantMap changed = cardProperties(after);
    for (auto it = changed.begin(); it != changed.end();) {
        if (old.value(it.key()) == it.value())
            it = changed.erase(it);
        else
            ++it;
    }
    return changed;
}

} // namespace card_bus
