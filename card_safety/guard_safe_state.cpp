// The safe state and its causes.
#include "guard_state.h"

namespace card_safety {

void OutputGuard::State::applySafeState(const QString& reason, Time now)
{
    int on = 0;
    int off = 0;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        const SafeAction safe = settings_.outputs[size_t(channel)].safe;
        if (safe == SafeAction::On)
            on |= outputBit(channel);
        else if (safe == SafeAction::Off)
            off |= outputBit(channel);
    }
    const int intent = intended();
    settleAndSwitch((intent & ~off) | on, on & ~intent, now);
    safeReason_ = reason;
    if (events_.safeApplied)
        events_.safeApplied(reason);
}

std::optional<int> OutputGuard::State::stop(Time now)
{
    if (!settings_.safeAtStop)
        return std::nullopt;
    applySafeState(QStringLiteral("the program is stopping"), now);
    // Nothing follows the last mask: an ON still waiting for its interlock stays off.
    heldTill_.fill(std::nullopt);
    finish();
    return mask_;
}

void OutputGuard::State::broker(bool reachable, Time now)
{
    causes_.broker(reachable, now);
    finish();
}

void OutputGuard::State::homeAssistant(bool online, Time now)
{
    causes_.homeAssistant(online, now);
    finish();
}

void OutputGuard::State::heartbeat(Time now)
{
    causes_.activity(now);
    finish();
}

} // namespace card_safety
