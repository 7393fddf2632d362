#pragma once
// When an analogue input's reading goes to the broker: when it has moved by more than the
// dead band since it last went, but at most once a second; and, moved or not, at least once
// a minute. A card that keeps its values sends almost nothing. On a clock that tests set.

#include <chrono>
#include <optional>

namespace card_mqtt {

class ReadingRate {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::seconds kShortest{1};
    static constexpr std::chrono::seconds kLongest{60};

    explicit ReadingRate(double deadband) : deadband_(deadband) {}

    // The reading now: true when it is to go out now (then taken as sent).
    bool offer(double volts, Clock::time_point now);
    // When a reading already offered is next due, if it was held back or will be due for the
    // minute's sending; nothing before the first reading.
    std::optional<Clock::time_point> nextDue() const;
    // Whatever was last offered, to go out now (a reconnection sends everything).
    void sentAnew(Clock::time_point now);
    double latest() const { return latest_; }

private:
    double deadband_;
    double latest_ = 0;
    double sent_ = 0;
    bool any_ = false;
    Clock::time_point sentAt_{};
};

} // namespace card_mqtt
