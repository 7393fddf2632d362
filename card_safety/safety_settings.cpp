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

} // namespace card_safety
