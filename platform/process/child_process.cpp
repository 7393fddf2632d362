#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace {

// Our environment with `settings` in place of any variables of the same names.
std::vector<std::string> environmentWith(const std::vector<std::pair<std::string, std::string>>& settings)
{
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable(*entry);
        const std::string name = variable.substr(0, variable.find('='));
        bool replaced = false;
        for (const auto& setting : settings)
            replaced = replaced || setting.first == name;
        if (!replaced)
            variables.push_back(variable);
    }
    for (const auto& [name, value] : settings)
        variables.push_back(name + "=" + value);
    return variables;
}

std::vector<char*> pointers(std::vector<std::string>& strings)
{
    std::vector<char*> list;
    for (std::string& s : strings)
        list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

void detach(posix_spawnattr_t& attributes)
{
    sigset_t none, reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXFSZ, SIGCHLD})
        sigaddset(&reset, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &reset);
    // Unlike a mere process group of its own, a session is no background job of the
    // terminal either, which would stop it for writing there.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool ChildProcess::start(const Launch& launch, std::string& why)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (launch.detached)
        detach(attributes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const auto& [from, to] : launch.descriptors)
        posix_spawn_file_actions_adddup2(&actions, from, to);
    std::vector<std::string> arguments = launch.arguments;
    std::vector<std::string> variables = environmentWith(launch.settings);
    const int failed = posix_spawn(&pid_, launch.program.c_str(), &actions, &attributes, pointers(arguments).data(),
                                   pointers(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        pid_ = -1;
        why = std::strerror(failed);
        return false;
    }
    // Through syscall(): glibc 2.36's <sys/pidfd.h> does not declare it for C++.
    fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (fd_ < 0)
        why = std::strerror(errno);
    return true;
}

bool ChildProcess::hasEnded() const
{
    pollfd ended{fd_, POLLIN, 0};
    return fd_ >= 0 && ::poll(&ended, 1, 0) == 1;
}

int ChildProcess::reap(std::string& how)
{
    int status = 0;
    pid_t got;
    do
        got = ::waitpid(pid_, &status, 0);
    while (got < 0 && errno == EINTR);
    reaped_ = true;
    if (got != pid_) {
        how = std::string("ended, but its status could not be had (") + std::strerror(errno) + ")";
        return 1;
    }
    if (WIFSIGNALED(status)) {
        how = std::string("was ended by ") + strsignal(WTERMSIG(status));
        return 128 + WTERMSIG(status);
    }
    how = "ended with status " + std::to_string(WEXITSTATUS(status));
    return WEXITSTATUS(status);
}

void ChildProcess::end(int graceMs)
{
    if (pid_ <= 0 || reaped_)
        return;
    // Not reaped, so the pid is still its own.
    ::kill(pid_, SIGTERM);
    pollfd ended{fd_, POLLIN, 0};
    if (fd_ < 0 || ::poll(&ended, 1, graceMs) != 1)
        ::kill(pid_, SIGKILL);
    std::string how;
    reap(how);
}

} // namespace platform
