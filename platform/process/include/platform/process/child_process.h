#pragma once
// A program started by ours and watched to its end: spawned with the descriptors and
// environment asked for, its end noticed through a pidfd (which poll() watches with
// everything else, so nothing polls for it), and its status told in words once reaped.

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace platform {

class ChildProcess {
public:
    using Settings = std::vector<std::pair<std::string, std::string>>;

    struct Launch {
        std::string program;
        std::vector<std::string> arguments;  // the first is the name it runs under
        // Variables set in our environment for it, replacing any of the same names.
        Settings settings;
        // Descriptors it is given: each first one as each second one.
        std::vector<std::pair<int, int>> descriptors;
        // The signals as a freshly started program has them (none blocked, none ignored,
        // whatever ours does with them), in a session of its own, so the signals a
        // terminal sends to our process group (Ctrl-C, a closed terminal) do not reach it.
        bool detached = false;
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False, with `why`, when it could not be started. Started but with no pidfd to watch
    // it by, it is true with fd() -1 and `why` saying why not.
    bool start(const Launch& launch, std::string& why);

    pid_t pid() const { return pid_; }
    // Readable once it has ended; -1 when it cannot be watched.
    int fd() const { return fd_; }
    // Whether it has ended by now (false when it cannot be watched).
    bool hasEnded() const;

    // Waits for it and returns our exit status for it: its own, or 128 + the signal that
    // ended it; `how` says which, in words ("ended with status 3").
    int reap(std::string& how);
    bool reaped() const { return reaped_; }

    // Ends it if it still runs (SIGTERM, then SIGKILL after `graceMs`) and reaps it.
    void end(int graceMs);

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    bool reaped_ = false;
};

} // namespace platform
