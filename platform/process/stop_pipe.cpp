#include "stop_pipe.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kStopSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// Read by the handler, which may run at any moment; written only while no handler is installed.
volatile sig_atomic_t writeEnd = -1;

extern "C" void onStopSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a stop request; the byte can be dropped.
    if (::write(writeEnd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

} // namespace

bool StopPipe::open(std::string& error)
{
    if (writeEnd >= 0) {
        error = "the stop signals are already taken";
        return false;
    }
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = std::string("cannot watch for stop signals: ") + std::strerror(errno);
        return false;
    }
    read_ = ends[0];
    write_ = ends[1];
    writeEnd = write_;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigset_t stops;
    sigemptyset(&stops);
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kStopSignals[i], &action, &previous_[i]);
        sigaddset(&stops, kStopSignals[i]);
    }
    ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    return true;
}

StopPipe::~StopPipe()
{
    if (read_ < 0)
        return;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kStopSignals[i], &previous_[i], nullptr);
    writeEnd = -1;
    ::close(read_);
    ::close(write_);
}

int StopPipe::takeSignal()
{
    unsigned char byte = 0;
    return read_ >= 0 && ::read(read_, &byte, 1) == 1 ? byte : 0;
}

} // namespace platform
