#pragma once
// Brings the frames from the forwarding thread into the live chart, in the window's
// thread: whatever the feed holds when its pipe becomes readable (watched by the event
// loop), every row into the trace, then a redraw, at most kRedrawMs after the last one
// and only when something new came; with nothing new, once every kIdleMs, so the time
// axis keeps moving. When the feed ends (the tap has gone), it asks the event loop to
// quit. Needs a running event loop, no window.

#include "live_feed.h"
#include "live_trace.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>

class LiveUpdater {
public:
    static constexpr int kRedrawMs = 200;
    static constexpr int kIdleMs = 1000;

    LiveUpdater(LiveFeed& feed, LiveTrace& trace, std::function<void()> redraw);
    LiveUpdater(const LiveUpdater&) = delete;
    LiveUpdater& operator=(const LiveUpdater&) = delete;

    // Takes what waits now, as the feed's wakeup would.
    void takeWaiting();

    // Rows the feed left out because they were not taken in time (none while the event
    // loop keeps up).
    std::uint64_t leftOut() const { return leftOut_; }

private:
    void redrawNow();

    LiveFeed& feed_;
    LiveTrace& trace_;
    std::function<void()> redraw_;
    QSocketNotifier notifier_;
    QTimer timer_;
    QElapsedTimer sinceRedraw_;
    std::uint64_t leftOut_ = 0;
};
