#include "stop_signals.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/signalfd.h>
#include <unistd.h>

StopSignals::~StopSignals()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool StopSignals::block(std::string& error)
{
    sigset_t stops;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stops, signal);
    if (sigprocmask(SIG_BLOCK, &stops, nullptr) != 0
        || (fd_ = signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC)) < 0) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}
