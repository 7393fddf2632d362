#pragma once
// pelmora-ctl's exit statuses, as its manual page lists them.

inline constexpr int kDone = 0;
inline constexpr int kTimedOut = 1;   // wait: the input did not reach the state in time
inline constexpr int kUsage = 2;      // a bad command line, or several panels and no --device
inline constexpr int kNoPanel = 3;    // no panel running, none with that device, or no session bus
inline constexpr int kRefused = 4;    // the panel refused the request, or did not answer
