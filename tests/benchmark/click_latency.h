#pragma once
// Click-to-wire latency: from a mouse press on an output button to the card's log
// of the request carrying the new mask, in microseconds on CLOCK_MONOTONIC.

#include <vector>

// One figure per press of `presses`; presses whose mask the card never logged are
// left out, so a short result means lost requests.
std::vector<double> clickToWireLatencies(int presses);
