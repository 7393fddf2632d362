#pragma once
// The panel as the tap starts it: its own program with the tap's environment plus the
// settings given (PELMORA_COM1 naming the tap's end), standard error shared with the tap,
// and the signals as a freshly started program has them: none blocked, none ignored,
// whatever the tap does with them. It runs in a session of its own, so the signals a
// terminal sends to the tap's process group (Ctrl-C, a closed terminal) do not reach it.
// Its end is noticed through a pidfd, which poll() watches with everything else, so
// nothing polls for it. The panel is never ended from here: a tap that stops leaves it
// running.

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class PanelProcess {
public:
    using Settings = std::vector<std::pair<std::string, std::string>>;

    PanelProcess() = default;
    ~PanelProcess();
    PanelProcess(const PanelProcess&) = delete;
    PanelProcess& operator=(const PanelProcess&) = delete;

    // Starts `program` with `settings` in its environment; its standard output goes to
    // the tap's standard error when `outputToErrors` (the rows have standard output).
    bool start(const std::string& program, const Settings& settings, bool outputToErrors, std::string& error);

    pid_t pid() const { return pid_; }
    // Readable once the panel has ended.
    int fd() const { return fd_; }

    // Whether it has ended by now (false when it cannot be watched).
    bool hasEnded() const;

    // Once it has ended: the tap's exit status for it, its own or 128 + the signal that
    // ended it, and `how` in words.
    int reap(std::string& how);

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};
