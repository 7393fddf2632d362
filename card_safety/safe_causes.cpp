#include "safe_causes.h"

namespace card_safety {

SafeCauses::SafeCauses(const SafetySettings& settings)
{
    causes_[kBroker].after = settings.safeWhenBrokerLost;
    causes_[kHomeAssistant].after = settings.safeWhenHaOffline;
    causes_[kSilence].after = settings.safeWhenSilent;
}

void SafeCauses::start(Time now)
{
    set(kBroker, causes_[kBroker].after.has_value(), now);
    activity(now);
}

void SafeCauses::activity(Time now)
{
    causes_[kSilence].since = now;
    causes_[kSilence].fired = false;
}

void SafeCauses::set(Which which, bool holds, Time now)
{
    Cause& cause = causes_[which];
    if (!holds) {
        cause.since.reset();
    } else if (!cause.since) {
        cause.since = now;
        cause.fired = false;
    }
}

std::optional<SafeCauses::Time> SafeCauses::due(const Cause& cause) const
{
    if (!cause.after || !cause.since || cause.fired)
        return std::nullopt;
    return *cause.since + *cause.after;
}

SafeCauses::Time SafeCauses::nextDue() const
{
    Time next = Time::max();
    for (const Cause& cause : causes_) {
        if (const std::optional<Time> at = due(cause); at && *at < next)
            next = *at;
    }
    return next;
}

QStringList SafeCauses::fire(Time now)
{
    static const char* const reasons[] = {"the broker has been unreachable for %1", "Home Assistant has been offline for %1",
                                          "no command and no heartbeat for %1"};
    QStringList fired;
    for (size_t which = 0; which < causes_.size(); ++which) {
        Cause& cause = causes_[which];
        if (const std::optional<Time> at = due(cause); at && *at <= now) {
            cause.fired = true;
            fired << QString::fromLatin1(reasons[which]).arg(durationText(*cause.after));
        }
    }
    return fired;
}

} // namespace card_safety
