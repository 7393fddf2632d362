#include "platform/process/stop_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kStopSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// Read by the handler, which may run at any moment; written only while no handler is installed.
volatile sig_atomic_t writeEnd = -1;

extern "C" void on_stop_signal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a stop request; the byte can be dropped.
    if (::write(writeEnd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

sigset_t stop_set()
{
    sigset_t set;
    sigemptyset(&set);
    for (int signalNumber : kStopSignals)
        sigaddset(&set, signalNumber);
    return set;
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (writeEnd >= 0 || ::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // Calls that the signal interrupts carry on; the stop is handled on the event loop.
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        ::sigaction(kStopSignals[i], &action, &previous_[i]);
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::readPending);
    const sigset_t stops = stop_set();
    ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
}

StopSignals::~StopSignals()
{
    if (!notifier_)
        return;
    notifier_.reset();
    for (int i = 0; i < 3; ++i)
        ::sigaction(kStopSignals[i], &previous_[i], nullptr);
    writeEnd = -1;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

void StopSignals::readPending()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(pipe_[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit stopRequested(bytes[i]);
    }
}

} // namespace platform
