#include "chart_process.h"

#include "chart_command.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The tap's own program, whatever it was started as and even if replaced since: both
// ends of the pipe are then always the same version.
const char* const kOwnProgram = "/proc/self/exe";

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

bool ChartProcess::start(int feedReadEnd, int windowSeconds, int stopFd, int& status, std::string& error)
{
    status = 1;
    int control[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, control) != 0) {
        error = std::string("cannot start the live chart: ") + std::strerror(errno);
        ::close(feedReadEnd);
        return false;
    }
    platform::ChildProcess::Launch launch;
    launch.program = kOwnProgram;
    launch.arguments = {"pelmora-tap", kChartProcessOption, std::to_string(windowSeconds)};
    launch.descriptors = {{feedReadEnd, STDIN_FILENO}, {STDERR_FILENO, STDOUT_FILENO}, {control[1], kChartControlFd}};
    std::string why;
    const bool started = process_.start(launch, why);
    ::close(feedReadEnd);
    ::close(control[1]);
    control_ = control[0];
    if (!started) {
        error = "cannot start the live chart: " + why;
        return false;
    }
    quit_ = ::eventfd(0, EFD_CLOEXEC);

    // It says "ready" once it has its display, or ends.
    std::array<pollfd, 2> ready{pollfd{control_, POLLIN, 0}, pollfd{stopFd, POLLIN, 0}};
    while (::poll(ready.data(), ready.size(), -1) < 0 && errno == EINTR) {
    }
    if (ready[0].revents == 0) {
        status = 0;  // stopped first
        return false;
    }
    char word = 0;
    if (::read(control_, &word, 1) == 1)
        return true;
    std::string how;
    status = process_.reap(how);
    if (status == 2)
        return false;  // no display, which it has said
    error = "the live chart could not start: its process " + how;
    status = 1;
    return false;
}

void ChartProcess::show(const std::string& title, Ended ended)
{
    if (process_.pid() < 0 || process_.reaped())
        return;
    // The title ends with a nul, and the descriptor closes after it.
    const std::string text = title + '\0';
    for (std::size_t sent = 0; sent < text.size();) {
        const ssize_t n = ::send(control_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0 && errno != EINTR)
            break;
        sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    closeFd(control_);
    if (process_.fd() >= 0 && quit_ >= 0)
        watcher_ = std::thread([this, ended = std::move(ended)] { watch(ended); });
}

void ChartProcess::watch(Ended ended)
{
    std::array<pollfd, 2> fds{pollfd{process_.fd(), POLLIN, 0}, pollfd{quit_, POLLIN, 0}};
    while (::poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
    }
    if (fds[0].revents == 0)
        return;
    std::string how;
    const int status = process_.reap(how);
    ended(status, how);
}

void ChartProcess::end()
{
    if (watcher_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(quit_, &one, sizeof one);
        watcher_.join();
    }
    process_.end(kEndMs);
    closeFd(control_);
    closeFd(quit_);
}
