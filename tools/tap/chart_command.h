#pragma once
// pelmora-tap --chart-process SECONDS: the live chart's own process, as the tap starts it
// for --live (see chart_process.h), not for users. It connects to the display, says
// "ready" on descriptor 3, reads the window's title from it, then draws the rows that
// come on standard input over the last SECONDS. It ends when the user closes its window
// (status 0), when the tap ends it or goes away, and when Qt ends it for a display that
// went away. Without a display it says so and exits with status 2.

constexpr const char* kChartProcessOption = "--chart-process";
constexpr int kChartControlFd = 3;

int runChartCommand(int& argc, char** argv, int windowSeconds);
