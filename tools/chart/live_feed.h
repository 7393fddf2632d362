#pragma once
// The frames on their way from the forwarding thread to the live chart, through a pipe:
// within one process, or to the chart's own process, which reads the other end. The
// forwarding side never waits: each write holds whole rows, at most PIPE_BUF bytes, so
// the pipe takes it whole or not at all, and rows that find the pipe full are left out
// of the chart (never of the recording), counted, and the count follows with the next
// rows that fit. The pipe holds up to a megabyte: minutes of polling that a stalled
// chart has not taken.

#include "tap_row.h"

#include <cstdint>
#include <string>
#include <vector>

class LiveFeed {
public:
    // Both ends, in this process.
    LiveFeed();
    // Only the reading end, `readEnd`, taken over: the chart's process.
    explicit LiveFeed(int readEnd);
    ~LiveFeed();
    LiveFeed(const LiveFeed&) = delete;
    LiveFeed& operator=(const LiveFeed&) = delete;

    // The reading end: readable while rows wait, and once the writing end has closed.
    int fd() const { return readEnd_; }
    // Hands the reading end over to the caller, for the chart's process.
    int releaseReadEnd();

    // From the forwarding thread: sends the requests, replies and outage rows of `rows`.
    void add(const std::vector<TapRow>& rows);

    // From the chart's thread: everything waiting, oldest first, and how many rows were
    // left out since the last take because the chart did not take them in time.
    std::vector<TapRow> take(std::uint64_t* leftOut = nullptr);
    // Whether the writing end has closed: nothing more will come.
    bool ended() const { return ended_; }

    // Whether the chart shows rows of this kind.
    static bool shown(const TapRow& row);

private:
    void write(const std::string& records, std::size_t rows);

    int readEnd_ = -1;
    int writeEnd_ = -1;
    std::uint64_t leftOut_ = 0;  // rows left out that the reading end has not been told of
    std::string pending_;        // the start of a record that is not yet whole
    bool ended_ = false;
};
