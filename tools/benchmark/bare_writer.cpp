#include "bare_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cstdint>

BareWriter::BareWriter(const std::string& device)
{
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    const itimerspec every100ms{{0, 100'000'000}, {0, 100'000'000}};
    if (timer < 0 || timerfd_settime(timer, 0, &every100ms, nullptr) != 0) {
        if (timer >= 0)
            ::close(timer);
        ::close(fd);
        return;
    }
    started_ = true;
    thread_ = std::thread([this, fd, timer] { run(fd, timer); });
}

BareWriter::~BareWriter()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

// Writes the all-off request on every expiry and throws the replies away.
void BareWriter::run(int device, int timer)
{
    const std::array<char, 4> request{'*', '*', '\0', '#'};
    std::array<char, 256> sink{};
    while (!stop_) {
        pollfd watch{timer, POLLIN, 0};
        if (::poll(&watch, 1, 200) <= 0)
            continue;
        std::uint64_t expirations = 0;
        if (::read(timer, &expirations, sizeof expirations) != sizeof expirations)
            break;
        if (::write(device, request.data(), request.size()) != static_cast<ssize_t>(request.size()))
            break;
        while (::read(device, sink.data(), sink.size()) > 0) {
        }
    }
    ::close(timer);
    ::close(device);
}
