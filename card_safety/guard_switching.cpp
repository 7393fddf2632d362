// How the guard switches: commands, what falls due, and the interlock's order of things.
#include "guard_state.h"

#include <algorithm>

namespace card_safety {

OutputGuard::State::State(const SafetySettings& settings, const GuardEvents& events)
    : settings_(settings), events_(events), interlocks_(settings.interlocks), causes_(settings)
{
}

int OutputGuard::State::request(int wanted, int named, Time now)
{
    wanted &= kAllOutputs;
    named &= kAllOutputs;
    causes_.activity(now);
    if (!safeReason_.isEmpty()) {
        safeReason_.clear();
        if (events_.safeCleared)
            events_.safeCleared();
    }
    const int before = mask_;
    const int intent = intended();
    const int asked = (wanted & named) | (intent & ~named);
    settleAndSwitch(asked, asked & ~intent, now);
    keepAlive(wanted & named & before & mask_, now);
    finish();
    return mask_;
}

std::optional<int> OutputGuard::State::handleDue(Time now)
{
    const int before = mask_;
    int expired = 0;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (offAt_[size_t(channel)] && *offAt_[size_t(channel)] <= now)
            expired |= outputBit(channel);
    }
    switchTo(intended() & ~expired, now);
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (expired & outputBit(channel))
            forced(channel, QStringLiteral("output %1 is off: it was on for %2, its longest")
                                .arg(channel + 1)
                                .arg(durationText(*settings_.outputs[size_t(channel)].maxOn)));
    }
    for (const QString& reason : causes_.fire(now))
        applySafeState(reason, now);
    finish();
    return mask_ == before ? std::nullopt : std::optional<int>(mask_);
}

void OutputGuard::State::settleAndSwitch(int wanted, int fresh, Time now)
{
    const int settled = interlocks_.settle(wanted, fresh);
    const int displaced = mask_ & wanted & ~settled;
    switchTo(settled, now);
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (displaced & outputBit(channel))
            forced(channel, QStringLiteral("output %1 is off: it is interlocked with output %2, which goes on")
                                .arg(channel + 1)
                                .arg(firstChannel(settled & interlocks_.partners(channel)) + 1));
    }
}

void OutputGuard::State::switchTo(int wanted, Time now)
{
    const int before = mask_;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (wanted & outputBit(channel))
            continue;
        heldTill_[size_t(channel)].reset();
        if (mask_ & outputBit(channel))
            switchOff(channel, now);
    }
    const int justOff = before & ~mask_;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (!(wanted & outputBit(channel)) || (mask_ & outputBit(channel)))
            continue;
        const Time release = releaseTime(channel);
        // Off in an earlier mask than this ON, however short the wait.
        const bool partnersOff = (interlocks_.partners(channel) & (mask_ | justOff)) == 0;
        if (partnersOff && release <= now) {
            heldTill_[size_t(channel)].reset();
            switchOn(channel, now);
        } else {
            heldTill_[size_t(channel)] = release;
        }
    }
}

OutputGuard::Time OutputGuard::State::releaseTime(int channel) const
{
    Time release = Time::min();
    for (int partner = 0; partner < kOutputCount; ++partner) {
        if (interlocks_.partners(channel) & outputBit(partner))
            release = std::max(release, offSince_[size_t(partner)] + settings_.interlockWait);
    }
    return release;
}

void OutputGuard::State::switchOn(int channel, Time now)
{
    mask_ |= outputBit(channel);
    keepAlive(outputBit(channel), now);
}

void OutputGuard::State::switchOff(int channel, Time now)
{
    mask_ &= ~outputBit(channel);
    offSince_[size_t(channel)] = now;
    if (std::exchange(offAt_[size_t(channel)], std::nullopt))
        deadlinesMoved_ = true;
}

void OutputGuard::State::keepAlive(int outputs, Time now)
{
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if ((outputs & outputBit(channel)) && settings_.outputs[size_t(channel)].maxOn) {
            offAt_[size_t(channel)] = now + *settings_.outputs[size_t(channel)].maxOn;
            deadlinesMoved_ = true;
        }
    }
}

void OutputGuard::State::finish()
{
    Time next = causes_.nextDue();
    for (int channel = 0; channel < kOutputCount; ++channel) {
        for (const std::optional<Time>& at : {offAt_[size_t(channel)], heldTill_[size_t(channel)]}) {
            if (at)
                next = std::min(next, *at);
        }
    }
    nextEvent_ = next;
    if (std::exchange(deadlinesMoved_, false) && events_.deadlinesChanged)
        events_.deadlinesChanged();
}

int OutputGuard::State::intended() const
{
    int outputs = mask_;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (heldTill_[size_t(channel)])
            outputs |= outputBit(channel);
    }
    return outputs;
}

void OutputGuard::State::forced(int channel, const QString& why) const
{
    if (events_.forcedOff)
        events_.forcedOff(channel, why);
}

std::optional<std::chrono::milliseconds> OutputGuard::State::offIn(int channel, Time now) const
{
    const std::optional<Time>& at = offAt_[size_t(channel)];
    if (!(mask_ & outputBit(channel)) || !at)
        return std::nullopt;
    return std::max(std::chrono::ceil<std::chrono::milliseconds>(*at - now), std::chrono::milliseconds::zero());
}

} // namespace card_safety
