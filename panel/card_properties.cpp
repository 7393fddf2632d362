#include "card_properties.h"

#include "card_bus/card_bus_names.h"

#include <QtMath>

namespace panel {

int raw_from_volts(double volts)
{
    return qRound(volts * 255.0 / 5.0);
}

QVariantMap card_properties(const CardState& card)
{
    using namespace card_bus;
    return {
        {kOutputs, uint(card.outputs)},
        {kInputs, uint(card.inputs)},
        {kAnalog1Volts, card.analog1Volts},
        {kAnalog2Volts, card.analog2Volts},
        {kAnalog1Raw, uint(raw_from_volts(card.analog1Volts))},
        {kAnalog2Raw, uint(raw_from_volts(card.analog2Volts))},
        {kPort, card.port},
        {kDevice, card.device},
        {kConnected, card.connected},
    };
}

QVariantMap changed_properties(const CardState& before, const CardState& after)
{
    if (before == after)
        return {};
    const QVariantMap old = card_properties(before);
    QVariantMap changed = card_properties(after);
    for (auto it = changed.begin(); it != changed.end();) {
        if (old.value(it.key()) == it.value())
            it = changed.erase(it);
        else
            ++it;
    }
    return changed;
}

} // namespace panel
