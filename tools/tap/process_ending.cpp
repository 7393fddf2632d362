#include "process_ending.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

int openProcessFd(pid_t pid)
{
    // Through syscall(): glibc 2.36's <sys/pidfd.h> does not declare it for C++.
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool processHasEnded(int processFd)
{
    pollfd ended{processFd, POLLIN, 0};
    return ::poll(&ended, 1, 0) == 1;
}

int reapProcess(pid_t pid, std::string& how)
{
    int status = 0;
    pid_t got;
    do
        got = ::waitpid(pid, &status, 0);
    while (got < 0 && errno == EINTR);
    if (got != pid) {
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
