#include "panel_process.h"

#include "process_ending.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
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
    // The panel starts with no signal blocked and every one at its default action: the tap
    // handles the stop signals, and ignores a broken pipe or a file too large.
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGXFSZ, SIGCHLD})
        sigaddset(&reset, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &reset);
    // A session of its own: the terminal's Ctrl-C and hang-up, which go to the tap's
    // process group, never reach it. Unlike a mere process group of its own, it is no
    // background job of the terminal either, which would stop it for writing there.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
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
    fd_ = openProcessFd(pid_);
    if (fd_ < 0) {
        error = "cannot watch the panel (pid " + std::to_string(pid_) + "): " + std::strerror(errno);
        return false;
    }
    return true;
}

bool PanelProcess::hasEnded() const
{
    return fd_ >= 0 && processHasEnded(fd_);
}

int PanelProcess::reap(std::string& how)
{
    return reapProcess(pid_, how);
}
