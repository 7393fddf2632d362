#pragma once
// Runs a built tool (the virtual card unless another program is named) as a child process
// with its stdout and stderr piped to the test.

#include <string>
#include <sys/types.h>
#include <vector>

class CardProcess {
public:
    explicit CardProcess(const std::vector<std::string>& args);
    // With `ownGroup`, in a process group of its own, as a shell starts a job, so that a
    // signal to that group (a terminal's Ctrl-C) reaches it and not the test.
    CardProcess(const std::string& program, const std::vector<std::string>& args, bool ownGroup = false);
    ~CardProcess();
    CardProcess(const CardProcess&) = delete;
    CardProcess& operator=(const CardProcess&) = delete;

    pid_t pid() const { return pid_; }

    // The next line of stdout without its newline; empty if none came within the timeout.
    std::string readLine(int timeoutMs);
    // The next line of stderr without its newline; empty if none came within the timeout.
    std::string readErrorLine(int timeoutMs);
    // The next line of stderr that holds `part`, skipping the others; empty if none came
    // within the timeout.
    std::string errorLineWith(const std::string& part, int timeoutMs);
    // Everything (else) on stderr until it closes or the timeout passes.
    std::string readErrors(int timeoutMs);

    // The test's end of the program's standard output.
    int outputFd() const { return out_; }

    // Sends SIGTERM and returns the exit status, or -1 if it did not exit in time.
    int stop(int timeoutMs = 2000);
    // Waits for the process to exit by itself; exit status or -1.
    int wait(int timeoutMs);

    // User plus system CPU time used so far, in seconds.
    double cpuSeconds() const;

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string outBuffer_;
    std::string errBuffer_;
    int status_ = -1;
};
