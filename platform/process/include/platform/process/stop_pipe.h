#pragma once
// The signals that ask a program to end (SIGTERM from a logout or `kill`, SIGINT from
// Ctrl-C, SIGHUP when its terminal closes), turned into bytes on a pipe: the handler only
// writes the signal's number, and the program's loop, which watches the read end, ends the
// way it always does instead of being cut off with its port open or its files half written.
//
// It works whatever threads exist: whichever thread takes a signal, the byte lands on the
// pipe. Calls that a signal interrupts carry on (SA_RESTART), but for those that never
// restart, poll() among them, which fail with EINTR and are called again.

#include <csignal>
#include <string>

namespace platform {

class StopPipe {
public:
    StopPipe() = default;
    // Gives the three signals back their previous handling.
    ~StopPipe();
    StopPipe(const StopPipe&) = delete;
    StopPipe& operator=(const StopPipe&) = delete;

    // Takes over the three signals and unblocks them, in case whoever started the program
    // left them blocked. One at a time per process. False with `error` if it cannot; the
    // signals then keep their default action.
    bool open(std::string& error);
    bool isOpen() const { return read_ >= 0; }

    // Readable once a stop signal has come, and until takeSignal() has taken it.
    int fd() const { return read_; }
    // The number of a signal that came, or 0 when none is waiting.
    int takeSignal();

private:
    int read_ = -1;
    int write_ = -1;
    struct sigaction previous_[3] {};
};

} // namespace platform
