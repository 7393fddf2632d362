#pragma once
// What a chart of the card draws: the two analogue inputs in volts, the eight outputs
// and the eight inputs as 0/1, each as the samples a DecimatedTrace kept, against
// seconds on the chart's time axis.

#include "decimated_trace.h"

#include <array>
#include <vector>

struct ChartTraces {
    using Samples = std::vector<DecimatedTrace::Sample>;
    Samples volts1;
    Samples volts2;
    std::array<Samples, 8> outputs;  // Out 1..8
    std::array<Samples, 8> inputs;   // In 1..8
};

// The stretch of time across the chart, and how its ticks read: seconds since `from`
// ("Time since start (s)") or, for a chart that ends now, seconds before `to`.
struct ChartTime {
    double from = 0;
    double to = 1;
    bool beforeNow = false;
};
