#include "card_properties.h"

#include "card_bus/card_bus_names.h"

#include <QtMath>

namespace panel {

int rawFromVolts(double volts)
{
    return qRound(volts * 255.0 / 5.0);
}

QVariantMap cardProperties(const CardState& card)
{
    using namespace card_bus;
    return {
        {kOutputs, uint(card.outputs)},
        {kInputs, uint(card.inputs)},
        {kAnalog1Volts, card.analog1Volts},
        {kAnalog2Volts, card.analog2Volts},
        {kAnalog1Raw, uint(rawFromVolts(card.analog1Volts))},
        {kAnalog2Raw, uint(rawFromVolts(card.analog2Volts))},
        {kPort, card.port},
        {kDevice, card.device},
        {kConnected, card.connected},
    };
}

QVariantMap changedProperties(const CardState& before, const CardState& after)
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

} // namespace panel
