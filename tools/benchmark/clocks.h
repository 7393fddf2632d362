#pragma once
// The clocks the benchmark reads, in microseconds: the card's log uses CLOCK_MONOTONIC,
// costs are taken on the CPU clocks so waiting does not count.

#include <ctime>

inline double clock_micros(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

inline double monotonic_micros() { return clock_micros(CLOCK_MONOTONIC); }
inline double thread_cpu_micros() { return clock_micros(CLOCK_THREAD_CPUTIME_ID); }
inline double process_cpu_micros() { return clock_micros(CLOCK_PROCESS_CPUTIME_ID); }
