#pragma once
// The panel (or the service) and the bare poller measured side by side: each polls a virtual
// card of its own that answers the same way (a constant reply, or the sweep's changing one),
// both in the same stretch of time, so that whatever else the machine does weighs on both alike.

#include "process_usage.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

struct PollerFigures {
    bool started = false;
    ProcessUsage used;                 // over the measured stretch
    int polls = 0;                     // requests the card logged in it
    std::vector<double> deviationsMs;  // |period - 100 ms|, between consecutive requests
};

// Which program holds the card: the pelmora panel or the pelmorad service.
enum class Holder { Panel, Service };

struct SideBySide {
    Holder holder = Holder::Panel;
    QString display;  // "offscreen" or the X display
    bool sweep = false;
    double seconds = 0;
    PollerFigures panel;
    PollerFigures bare;
};

// `display` empty: the panel draws offscreen; otherwise the X display it opens its window on.
// The service draws nothing and is on the session bus the benchmark gives it.
SideBySide runSideBySide(Holder holder, const QByteArray& display, bool sweep, int seconds);

// Milliseconds from starting the program to the card's first logged request, once for each
// of `starts` starts, on `display` (empty: offscreen).
std::vector<double> startToFirstRequest(Holder holder, const QByteArray& display, int starts);

// Resident memory of the panel polling a sweeping card offscreen, in KiB, at the start and
// after `minutes`.
struct Soak {
    bool started = false;
    QList<qint64> minuteKiB;  // after the first sweep, then at the end of each minute
};
Soak measureSoak(int minutes);
