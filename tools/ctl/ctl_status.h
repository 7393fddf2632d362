#pragma once
// pelmora-ctl's exit statuses, as its manual page lists them.

inline constexpr int kDone = 0;
inline constexpr int kTimedOut = 1;      // wait: the input did not reach the state in time
inline constexpr int kUsage = 2;         // a bad command line, or several cards and no --name or --device
inline constexpr int kNoPanel = 3;       // no panel or service running, none with that name or device, or no bus
inline constexpr int kRefused = 4;       // the panel or service refused the request, or did not answer
inline constexpr int kNotConnected = 5;  // set, mask: the card is not connected, so nothing was switched
