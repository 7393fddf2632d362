#include "card_process.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

CardProcess::CardProcess(const std::vector<std::string>& args) : CardProcess(VIRTUAL_CARD_PATH, args) {}

CardProcess::CardProcess(const std::string& program, const std::vector<std::string>& args, bool ownGroup)
{
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    std::vector<std::string> all{program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    }
    if (posix_spawn(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    out_ = outPipe[0];
    err_ = errPipe[0];
}

CardProcess::~CardProcess()
{
    if (pid_ > 0 && status_ < 0 && stop() < 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0)
        ::close(out_);
    if (err_ >= 0)
        ::close(err_);
}

namespace {

// The next line from `fd` without its newline, keeping what follows in `buffer`.
std::string nextLine(int fd, std::string& buffer, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto newline = buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffer.substr(0, newline);
            buffer.erase(0, newline + 1);
            return line;
        }
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, msLeft(deadline)) <= 0)
            return {};
        char chunk[256];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n <= 0)
            return {};
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace

std::string CardProcess::readLine(int timeoutMs)
{
    return nextLine(out_, outBuffer_, timeoutMs);
}

std::string CardProcess::readErrorLine(int timeoutMs)
{
    return nextLine(err_, errBuffer_, timeoutMs);
}

std::string CardProcess::errorLineWith(const std::string& part, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < deadline) {
        const std::string line = readErrorLine(std::min(200, msLeft(deadline)));
        if (line.find(part) != std::string::npos)
            return line;
    }
    return {};
}

std::string CardProcess::readErrors(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    text.swap(errBuffer_);
    pollfd p{err_, POLLIN, 0};
    while (::poll(&p, 1, msLeft(deadline)) > 0) {
        char chunk[256];
        const ssize_t n = ::read(err_, chunk, sizeof chunk);
        if (n <= 0)
            break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    return text;
}

int CardProcess::stop(int timeoutMs)
{
    if (status_ < 0 && pid_ > 0)
        ::kill(pid_, SIGTERM);
    return wait(timeoutMs);
}

int CardProcess::wait(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (status_ < 0 && pid_ > 0) {
        int raw = 0;
        if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
            status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            break;
        }
        if (Clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
}

double CardProcess::cpuSeconds() const
{
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name in parentheses: utime and stime are the 12th and 13th.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 1; i <= 13 && rest >> field; ++i) {
        if (i == 12)
            utime = std::stoull(field);
        if (i == 13)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
