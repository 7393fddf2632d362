#pragma once
// The cost as the work grows: a host window with many gauges (gaugix::v_meter, linked as
// any Qt program links it), every one written ten times a second, and the CPU share of one
// core that this process spends.

struct GaugeLoad {
    int gauges = 0;     // how many could be created
    double cpuShare = 0;
    double seconds = 0;
};

GaugeLoad runGaugeLoad(int gauges, int seconds);
