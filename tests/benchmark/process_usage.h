#pragma once
// What a running process has used so far, all its threads together, from /proc: CPU time
// from each thread's scheduler statistics (nanoseconds), voluntary context switches (each
// one a sleep, so a wakeup after it), involuntary ones (the scheduler took the core away),
// and resident memory.

#include <QtGlobal>

struct ProcessUsage {
    double cpuSeconds = 0;
    double busThreadSeconds = 0;  // of which Qt D-Bus's own thread, where there is one
    qint64 voluntarySwitches = 0;
    qint64 involuntarySwitches = 0;
    qint64 residentKiB = 0;
    bool valid = false;
};

ProcessUsage processUsage(qint64 pid);

// What was used between two readings.
ProcessUsage operator-(const ProcessUsage& after, const ProcessUsage& before);
