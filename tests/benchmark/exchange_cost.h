#pragma once
// CPU time of one exchange of the panel, and of one gauge update, in microseconds.

#include <vector>

// Thread CPU time of each of `count` calls of Form1::comunica() against the
// virtual card, with a short pause between calls so each one reads a reply. Empty
// when the card could not be opened.
std::vector<double> exchangeCpuCosts(int count);

// Thread CPU time of each of `count` writes of a gauge's value, alternating between
// two values, each followed by a pass of the event loop that repaints the gauge.
std::vector<double> gaugeUpdateCpuCosts(int count);
