// The guard's first mask, and what it keeps for the next run.
#include "guard_state.h"

#include <QDateTime>

namespace card_safety {
namespace {

QString localText(std::chrono::system_clock::time_point at)
{
    const qint64 ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

} // namespace

int OutputGuard::State::start(const std::optional<KeptOutputs>& kept, bool restoreByDefault, Time now, WallTime wall)
{
    offSince_.fill(now);
    causes_.start(now);
    // What the card may still hold from the last run: an ON at start waits for its
    // partners' OFF as any other does.
    mask_ = kept ? kept->mask : 0;
    const int restoredOn = restored(kept, restoreByDefault, wall);
    int onAtStart = 0;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (settings_.outputs[size_t(channel)].atStart == AtStart::On)
            onAtStart |= outputBit(channel);
    }
    int wanted = restoredOn | onAtStart;
    const int overfull = interlocks_.overfull(wanted);
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (overfull & wanted & outputBit(channel))
            forced(channel, QStringLiteral("output %1 starts off: it would be on with another of its interlock")
                                .arg(channel + 1));
    }
    wanted &= ~overfull;
    const int before = mask_;
    switchTo(wanted, now);
    keepAlive(onAtStart & before & mask_, now);
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (restoredOn & mask_ & outputBit(channel))
            restoreDeadline(channel, *kept, now, wall);
    }
    finish();
    return mask_;
}

int OutputGuard::State::restored(const std::optional<KeptOutputs>& kept, bool restoreByDefault, WallTime wall) const
{
    int outputs = 0;
    for (int channel = 0; kept && channel < kOutputCount; ++channel) {
        const OutputSafety& output = settings_.outputs[size_t(channel)];
        const bool restore =
            output.atStart == AtStart::Restore || (output.atStart == AtStart::Default && restoreByDefault);
        if (!restore || !(kept->mask & outputBit(channel)))
            continue;
        const std::optional<WallTime>& offAt = kept->offAt[size_t(channel)];
        if (output.maxOn && offAt && *offAt <= wall) {
            forced(channel, QStringLiteral("output %1 is not restored: it was due off at %2")
                                .arg(channel + 1)
                                .arg(localText(*offAt)));
            continue;
        }
        outputs |= outputBit(channel);
    }
    return outputs;
}

// A restored timed output goes off at its deadline of the last run, or, when it has none,
// as if switched on now; never later than its longest time from now.
void OutputGuard::State::restoreDeadline(int channel, const KeptOutputs& kept, Time now, WallTime wall)
{
    const std::optional<Duration>& maxOn = settings_.outputs[size_t(channel)].maxOn;
    if (!maxOn)
        return;
    Time at = now + *maxOn;
    if (const std::optional<WallTime>& offAt = kept.offAt[size_t(channel)])
        at = std::min(at, now + std::chrono::duration_cast<Time::duration>(*offAt - wall));
    offAt_[size_t(channel)] = at;
    deadlinesMoved_ = true;
}

KeptOutputs OutputGuard::State::kept(Time now, WallTime wall) const
{
    KeptOutputs kept;
    kept.mask = mask_;
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (const std::optional<Time>& at = offAt_[size_t(channel)]; at && (mask_ & outputBit(channel)))
            kept.offAt[size_t(channel)] = wall + std::chrono::duration_cast<WallTime::duration>(*at - now);
    }
    return kept;
}

} // namespace card_safety
