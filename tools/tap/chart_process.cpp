#include "chart_process.h"

#include "chart_command.h"
#include "process_ending.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, feedReadEnd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, control[1], kChartControlFd);
    std::string seconds = std::to_string(windowSeconds);
    std::string name = "pelmora-tap";
    std::string option = kChartProcessOption;
    std::array<char*, 4> arguments{name.data(), option.data(), seconds.data(), nullptr};
    const int failed = posix_spawn(&pid_, kOwnProgram, &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(feedReadEnd);
    ::close(control[1]);
    control_ = control[0];
    if (failed != 0) {
        pid_ = -1;
        error = std::string("cannot start the live chart: ") + std::strerror(failed);
        return false;
    }
    processFd_ = openProcessFd(pid_);
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
    status = reapProcess(pid_, how);
    reaped_ = true;
    if (status == 2)
        return false;  // no display, which it has said
    error = "the live chart could not start: its process " + how;
    status = 1;
    return false;
}

void ChartProcess::show(const std::string& title, Ended ended)
{
    if (pid_ < 0 || reaped_)
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
    if (processFd_ >= 0 && quit_ >= 0)
        watcher_ = std::thread([this, ended = std::move(ended)] { watch(ended); });
}

void ChartProcess::watch(Ended ended)
{
    std::array<pollfd, 2> fds{pollfd{processFd_, POLLIN, 0}, pollfd{quit_, POLLIN, 0}};
    while (::poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
    }
    if (fds[0].revents == 0)
        return;
    std::string how;
    const int status = reapProcess(pid_, how);
    reaped_ = true;
    ended(status, how);
}

void ChartProcess::end()
{
    if (watcher_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(quit_, &one, sizeof one);
        watcher_.join();
    }
    if (pid_ > 0 && !reaped_) {
        // Not reaped, so the pid is still its own.
        ::kill(pid_, SIGTERM);
        pollfd ended{processFd_, POLLIN, 0};
        if (processFd_ < 0 || ::poll(&ended, 1, kEndMs) != 1)
            ::kill(pid_, SIGKILL);
        std::string how;
        reapProcess(pid_, how);
        reaped_ = true;
    }
    closeFd(control_);
    closeFd(processFd_);
    closeFd(quit_);
}
