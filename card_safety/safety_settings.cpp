#include "safety_settings.h"

#include <algorithm>

namespace card_safety {

bool SafetySettings::configured() const
{
    const bool anyOutput = std::any_of(outputs.begin(), outputs.end(), [](const OutputSafety& output) {
        return output.atStart != AtStart::Default || output.maxOn || output.safe != SafeAction::Keep;
    });
    return anyOutput || !interlocks.empty() || interlockWait != Duration::zero() || safeWhenBrokerLost
           || safeWhenHaOffline || safeWhenSilent || safeAtStop;
}

int timedOutputs(const SafetySettings& settings)
{
    int mask = 0;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (settings.outputs[size_t(channel)].maxOn)
            mask |= outputBit(channel);
    }
    return mask;
}

bool hasSafeState(const SafetySettings& settings)
{
    return settings.safeWhenBrokerLost || settings.safeWhenHaOffline || settings.safeWhenSilent || settings.safeAtStop;
}

} // namespace card_safety
