#include "panel_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The tap's environment with `settings` in place of any variables of the same names.
std::vector<std::string> environmentWith(const PanelProcess::Settings& settings)
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

} // namespace

PanelProcess::~PanelProcess()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool PanelProcess::start(const std::string& program, const Settings& settings, bool outputToErrors,
                         std::string& error)
{
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, reset;
    sigemptyset(&none);
    sigemptyset(&reset);
    // The stop signals are blocked in the tap, and a broken pipe or a file too large ignored.
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXFSZ, SIGCHLD})
        sigaddset(&reset, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &reset);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (outputToErrors)
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);

    std::vector<std::string> arguments{program};
    std::vector<std::string> variables = environmentWith(settings);
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, &attributes, pointers(arguments).data(),
                                   pointers(variables).data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        pid_ = -1;
        error = "cannot start " + program + ": " + std::strerror(failed);
        return false;
    }
    // Through syscall(): glibc 2.36's <sys/pidfd.h> does not declare it for C++.
    fd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (fd_ < 0) {
        error = "cannot watch the panel (pid " + std::to_string(pid_) + "): " + std::strerror(errno);
        return false;
    }
    return true;
}

int PanelProcess::reap(std::string& how)
{
    int status = 0;
    pid_t got;
    do
        got = ::waitpid(pid_, &status, 0);
    while (got < 0 && errno == EINTR);
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
