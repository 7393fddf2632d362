#include "output_arguments.h"

#include "card_bus_names.h"

namespace card_bus {

std::optional<Refusal> checkOutput(qint64 output)
{
    if (output >= 1 && output <= kOutputCount)
        return std::nullopt;
    return Refusal{kInvalidOutput, QStringLiteral("there is no output %1: outputs are numbered 1 to %2")
                                       .arg(output)
                                       .arg(kOutputCount)};
}

std::optional<Refusal> checkMask(qint64 mask)
{
    if (mask >= 0 && mask <= kMaxMask)
        return std::nullopt;
    return Refusal{kInvalidMask,
                   QStringLiteral("mask 0x%1 is above 0xFF: it has one bit for each of the 8 outputs")
                       .arg(QString::number(mask, 16).toUpper())};
}

std::optional<OutputState> outputState(const QString& word)
{
    if (word == QLatin1String("on"))
        return OutputState::On;
    if (word == QLatin1String("off"))
        return OutputState::Off;
    if (word == QLatin1String("toggle"))
        return OutputState::Toggle;
    return std::nullopt;
}

Refusal stateRefusal(const QString& word)
{
    return Refusal{kInvalidArgs, QStringLiteral("'%1' is not a state: say on, off or toggle").arg(word)};
}

int switchedMask(int mask, int output, OutputState state)
{
    const int bit = 1 << (kOutputCount - output);
    switch (state) {
    case OutputState::On:
        return mask | bit;
    case OutputState::Off:
        return mask & ~bit;
    case OutputState::Toggle:
        break;
    }
    return mask ^ bit;
}

} // namespace card_bus
