#pragma once
// CLOCK_MONOTONIC in microseconds: the time base of the log, the sweep and the timers.

#include <cstdint>
#include <ctime>

inline std::int64_t monotonicMicros()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}
