#pragma once
// The tap between a client in the panel's place and a pseudo-terminal in the card's place,
// recording to a file, at ten exchanges a second: how long each frame takes through it,
// beside one bare pseudo-terminal hop measured in the same exchanges, and its CPU share.
// With an X display, the tap also shows its live chart (--live) there, the card's reply
// changing at each exchange so that the values and the lines move.

#include <QByteArray>

#include <vector>

struct TapForwarding {
    bool started = false;
    std::vector<double> throughTapUs;  // request and reply frames, each from one end to the other
    std::vector<double> directUs;      // the same frames over one pseudo-terminal without the tap
    double cpuShare = 0;               // of one core, over the measured stretch, its chart's process included
    double seconds = 0;
};

TapForwarding runTapForwarding(int exchanges, const QByteArray& liveDisplay = {});
