#pragma once
// The clocks in microseconds: monotonic for waits, timers and the virtual card's log,
// the wall clock for the times of recorded rows.

#include <cstdint>
#include <ctime>

inline std::int64_t monotonicMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

inline std::int64_t wallMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}
