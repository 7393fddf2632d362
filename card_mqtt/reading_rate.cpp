#include "reading_rate.h"

#include <cmath>

namespace card_mqtt {

bool ReadingRate::offer(double volts, Clock::time_point now)
{
    latest_ = volts;
    const bool first = !any_;
    any_ = true;
    const bool moved = std::fabs(volts - sent_) > deadband_;
    const bool due = first || now - sentAt_ >= kLongest || (moved && now - sentAt_ >= kShortest);
    if (due)
        sentAnew(now);
    return due;
}

std::optional<ReadingRate::Clock::time_point> ReadingRate::nextDue() const
{
    if (!any_)
        return std::nullopt;
    const bool held = std::fabs(latest_ - sent_) > deadband_;
    return sentAt_ + (held ? std::chrono::duration_cast<Clock::duration>(kShortest)
                           : std::chrono::duration_cast<Clock::duration>(kLongest));
}

void ReadingRate::sentAnew(Clock::time_point now)
{
    sent_ = latest_;
    sentAt_ = now;
}

} // namespace card_mqtt
