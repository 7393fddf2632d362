#pragma once
// pelmora-tap --plot FILE.csv --out FILE.png: reads a recording and writes its picture,
// offscreen unless QT_QPA_PLATFORM says otherwise. Returns the exit status.

#include "tap_options.h"

int runPlotCommand(const TapOptions& options, int argc, char** argv);
