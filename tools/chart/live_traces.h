#pragma once
// The live trace as the chart draws it: each series over `time`, kept to `columns`
// columns by the chart's decimator (the first, lowest, highest and last sample of each),
// so a window of an hour costs no more to draw than its width. Samples before the window
// are kept as they are, to start each line at its left edge.

#include "chart_traces.h"
#include "live_trace.h"

ChartTraces liveTraces(const LiveTrace& trace, const ChartTime& time, int columns);
