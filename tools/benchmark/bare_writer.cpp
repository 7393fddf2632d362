#include "bare_writer.h"

#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cstdint>

BareWriter::BareWriter(const std::string& device)
    : card_(device)
{
    if (!card_.isOpen())
        return;
    const int timer = timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
    const itimerspec every100ms{{0, 100'000'000}, {0, 100'000'000}};
    if (timer < 0 || timerfd_settime(timer, 0, &every100ms, nullptr) != 0) {
        if (timer >= 0)
            ::close(timer);
        return;
    }
    thread_ = std::thread([this, timer] { run(timer); });
}

BareWriter::~BareWriter()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
}

// Writes the all-off request on every expiry and throws the reply away.
void BareWriter::run(int timer)
{
    while (!stop_) {
        pollfd watch{timer, POLLIN, 0};
        if (::poll(&watch, 1, 200) <= 0)
            continue;
        std::uint64_t expirations = 0;
        if (::read(timer, &expirations, sizeof expirations) != sizeof expirations)
            break;
        card_.send(request(0x00));
        card_.receive(3, 5);
    }
    ::close(timer);
}
