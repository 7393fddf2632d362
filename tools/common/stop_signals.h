#pragma once
// SIGINT, SIGTERM and SIGHUP, taken as readable events on a descriptor instead of
// interrupting the program: a loop that polls it ends cleanly, with its files complete.
// Blocking them first thing also covers every thread started afterwards.

#include <string>

class StopSignals {
public:
    StopSignals() = default;
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Blocks the three signals and opens the descriptor; false with `error` if it cannot.
    bool block(std::string& error);
    // Readable once a stop signal has come.
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};
