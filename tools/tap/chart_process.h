#pragma once
// The live chart's own process: the tap's own program run again with --chart-process,
// drawing what the feed's pipe brings on its standard input. Its window and its
// connection to the display are its own, so a display that goes away, which makes Qt end
// the process on the spot, ends the chart only: the tap goes on forwarding and
// recording. It is started before the tap opens anything, so that without a display the
// tap ends at once, as the chart says why; it shows its window once it has the title.
// Its standard output is the tap's standard error, never the rows'.

#include "platform/process/child_process.h"

#include <functional>
#include <string>
#include <sys/types.h>
#include <thread>

class ChartProcess {
public:
    // What the chart has left to the tap when it ended by itself: its exit status (0 when
    // the user closed its window) and its end in words.
    using Ended = std::function<void(int status, const std::string& how)>;

    // SIGKILL follows SIGTERM after this long.
    static constexpr int kEndMs = 1000;

    ChartProcess() = default;
    ~ChartProcess() { end(); }
    ChartProcess(const ChartProcess&) = delete;
    ChartProcess& operator=(const ChartProcess&) = delete;

    // Starts it on the feed's reading end, taken over, and waits until it has its display.
    // Otherwise false with the tap's exit status: 2 when it had no display (it has said
    // so itself), 0 when `stopFd` became readable first, 1 with `error` when it failed.
    bool start(int feedReadEnd, int windowSeconds, int stopFd, int& status, std::string& error);

    // Shows its window with `title`; from now on `ended` is called, from a thread of its
    // own, if it ends before end() is called.
    void show(const std::string& title, Ended ended);

    // Ends it if it still runs, and waits for it: nothing is left behind.
    void end();

private:
    void watch(Ended ended);

    platform::ChildProcess process_;
    int control_ = -1;  // the tap's end of the chart's descriptor 3: "ready", then the title
    int quit_ = -1;     // tells the watching thread to stop watching
    std::thread watcher_;
};
