#pragma once
// The live window's values now, as text: each analogue input in volts with two decimals,
// the eight outputs and the eight inputs as 1 (on) and 0 (off), channel 1 first, and
// what the card is doing.

#include "live_trace.h"

#include <QString>

struct LiveValues {
    QString analogue1;  // "2.51 V", or "–" before the first reply
    QString analogue2;
    QString outputs;    // "1 0 0 1 0 0 0 1", Out 1 first
    QString inputs;     // In 1 first
    QString status;     // the last reply's time and the frames seen, or why the card is gone
};

LiveValues liveValues(const LiveTrace& trace);
