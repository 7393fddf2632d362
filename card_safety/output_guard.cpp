#include "output_guard.h"

#include "guard_state.h"

namespace card_safety {

OutputGuard::OutputGuard(const SafetySettings& settings, const SafetyClock& clock)
    : clock_(clock), state_(std::make_unique<State>(settings, events))
{
}

OutputGuard::~OutputGuard() = default;

int OutputGuard::start(const std::optional<KeptOutputs>& kept, bool restoreByDefault)
{
    const int mask = state_->start(kept, restoreByDefault, clock_.steadyNow(), clock_.wallNow());
    nextEvent_ = state_->nextEvent();
    return mask;
}

int OutputGuard::request(int wanted, int named)
{
    const int mask = state_->request(wanted, named, clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
    return mask;
}

std::optional<int> OutputGuard::handleDue(Time now)
{
    const std::optional<int> mask = state_->handleDue(now);
    nextEvent_ = state_->nextEvent();
    return mask;
}

void OutputGuard::brokerUp()
{
    state_->broker(true, clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
}

void OutputGuard::brokerDown()
{
    state_->broker(false, clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
}

void OutputGuard::homeAssistant(bool online)
{
    state_->homeAssistant(online, clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
}

void OutputGuard::heartbeat()
{
    state_->heartbeat(clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
}

std::optional<int> OutputGuard::stopMask()
{
    const std::optional<int> mask = state_->stop(clock_.steadyNow());
    nextEvent_ = state_->nextEvent();
    return mask;
}

int OutputGuard::mask() const
{
    return state_->mask();
}

std::optional<std::chrono::milliseconds> OutputGuard::offIn(int channel) const
{
    return state_->offIn(channel, clock_.steadyNow());
}

const QString& OutputGuard::safeReason() const
{
    return state_->safeReason();
}

KeptOutputs OutputGuard::kept() const
{
    return state_->kept(clock_.steadyNow(), clock_.wallNow());
}

} // namespace card_safety
