#pragma once
// The clocks in microseconds: monotonic for waits, timers, the virtual card's log and the
// benchmark's stretches of time; the wall clock for the times of recorded rows; the CPU
// clocks for the benchmark's costs, so that waiting does not count.

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

// Any clock, its nanoseconds kept as the fraction: for costs of a few microseconds.
inline double clockMicros(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}
