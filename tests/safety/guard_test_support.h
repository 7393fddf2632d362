#pragma once
// What the guard's tests share: a clock the test moves (steady and wall time together, from
// a known date), outputs by their numbers, and what the guard told.

#include "card_safety/output_guard.h"

#include <QString>
#include <QStringList>

#include <chrono>

class FakeClock : public card_safety::SafetyClock {
public:
    std::chrono::steady_clock::time_point steadyNow() const override { return steady_; }
    std::chrono::system_clock::time_point wallNow() const override { return wall_; }
    void advance(std::chrono::milliseconds by)
    {
        steady_ += by;
        wall_ += by;
    }

private:
    std::chrono::steady_clock::time_point steady_{std::chrono::hours(1000)};
    std::chrono::system_clock::time_point wall_{std::chrono::seconds(1796911200)};  // 2026-12-10T14:00:00Z
};

// Output N (1 to 8) as a mask.
constexpr int out(int number)
{
    return card_safety::outputBit(number - 1);
}

// Every line the guard told, in order.
struct Told {
    explicit Told(card_safety::OutputGuard& guard)
    {
        guard.events.safeApplied = [this](const QString& reason) { lines << "safe: " + reason; };
        guard.events.safeCleared = [this] { lines << "safe cleared"; };
        guard.events.forcedOff = [this](int, const QString& why) { lines << why; };
        guard.events.deadlinesChanged = [this] { ++deadlineChanges; };
    }
    QStringList lines;
    int deadlineChanges = 0;
};
