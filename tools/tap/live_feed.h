#pragma once
// The frames on their way from the forwarding thread to the live chart in the window's
// thread. The forwarding side only appends under a short lock and, when the queue was
// empty, adds one to an eventfd: one wakeup for the window's thread per batch however
// many frames it holds, and never a wait for the window. What waits is bounded: beyond
// kLimit rows (minutes of polling that a stalled window never took) the oldest go.

#include "tap_row.h"

#include <cstdint>
#include <mutex>
#include <vector>

class LiveFeed {
public:
    static constexpr std::size_t kLimit = 20'000;

    LiveFeed();
    ~LiveFeed();
    LiveFeed(const LiveFeed&) = delete;
    LiveFeed& operator=(const LiveFeed&) = delete;

    // Readable while rows wait; -1 if no eventfd could be had.
    int fd() const { return fd_; }

    // From the forwarding thread: keeps the requests, replies and outage rows of `rows`.
    void add(const std::vector<TapRow>& rows);

    // From the window's thread: everything waiting, oldest first, and how many rows were
    // left out since the last take because the window did not take them in time.
    std::vector<TapRow> take(std::uint64_t* leftOut = nullptr);

    // Whether the chart shows rows of this kind.
    static bool shown(const TapRow& row);

private:
    int fd_ = -1;
    std::mutex mutex_;
    std::vector<TapRow> waiting_;
    std::uint64_t leftOut_ = 0;
};
