#pragma once
// How the tap notices and tells that a process it started has ended: a pidfd, which
// poll() watches with everything else, and the process's status in words once reaped.

#include <string>
#include <sys/types.h>

// A pidfd for `pid`, readable once it has ended; -1 with errno set if none could be had.
int openProcessFd(pid_t pid);

// Whether the process behind `processFd` has ended, without waiting.
bool processHasEnded(int processFd);

// Waits for `pid` and returns the tap's exit status for it: its own, or 128 + the signal
// that ended it; `how` says which, in words.
int reapProcess(pid_t pid, std::string& how);
