#pragma once
// The real pelmora program polling the virtual card: the period as the card logs
// it, the program's CPU share and its resident memory, all from one run; and beside it
// the period that a bare timer-and-write program gets on the same machine.

#include <vector>

struct PollingRun {
    bool started = false;
    std::vector<double> periodsMs;  // between consecutive requests, start-up left out
    std::vector<double> barePeriodsMs;  // the same from a bare writer to a second card, same time
    double cpuShare = 0;            // of one core, over the measured stretch
    double seconds = 0;             // length of the measured stretch
    double residentMiB = 0;         // VmRSS at the end
};

PollingRun run_polling_program(int seconds);
