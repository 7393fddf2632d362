#include "card_loop.h"

#include "platform/process/clocks.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

itimerspec absoluteTime(std::int64_t us)
{
    itimerspec setting{};
    setting.it_value.tv_sec = static_cast<time_t>(us / 1'000'000);
    setting.it_value.tv_nsec = static_cast<long>(us % 1'000'000) * 1000;
    return setting;
}

void drain(int fd)
{
    std::array<std::uint8_t, 128> sink{};
    while (::read(fd, sink.data(), sink.size()) > 0) {
    }
}

} // namespace

CardLoop::CardLoop(const CardOptions& options, FrameLog& log, std::uint32_t seed, std::vector<Reply> recorded)
    : options_(options), log_(log), replies_(options, seed, monotonicMicros(), std::move(recorded))
{
}

CardLoop::~CardLoop()
{
    for (int fd : {delayTimer_, floodTimer_})
        if (fd >= 0)
            ::close(fd);
}

bool CardLoop::prepare(std::string& error)
{
    if (!stops_.open(error))
        return false;
    delayTimer_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    floodTimer_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (delayTimer_ < 0 || floodTimer_ < 0) {
        error = std::string("timerfd_create: ") + std::strerror(errno);
        return false;
    }
    if (options_.floodHz > 0) {
        const long periodNs = 1'000'000'000L / static_cast<long>(options_.floodHz);
        itimerspec setting{};
        setting.it_interval.tv_sec = periodNs / 1'000'000'000L;
        setting.it_interval.tv_nsec = periodNs % 1'000'000'000L;
        setting.it_value = setting.it_interval;
        timerfd_settime(floodTimer_, 0, &setting, nullptr);
    }
    return true;
}

bool CardLoop::run(CardTerminal& terminal, std::string& error)
{
    master_ = terminal.master();
    enum { kSignal, kMaster, kDelay, kFlood, kClientClosed };
    std::array<pollfd, 5> fds{{
        {stops_.fd(), POLLIN, 0},
        {master_, POLLIN, 0},
        {delayTimer_, POLLIN, 0},
        {floodTimer_, POLLIN, 0},
        {terminal.closeWatch(), POLLIN, 0},
    }};
    for (;;) {
        // No timeout: every wake-up comes from a signal, the line or one of the timers.
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            error = std::string("poll: ") + std::strerror(errno);
            return false;
        }
        if (fds[kSignal].revents != 0)
            return true;
        if (fds[kMaster].revents & (POLLERR | POLLNVAL)) {
            error = "the pseudo-terminal failed";
            return false;
        }
        if ((fds[kMaster].revents & POLLIN) && !readRequests(error))
            return false;
        if (fds[kDelay].revents != 0) {
            drain(delayTimer_);
            sendDueReplies();
        }
        if (fds[kFlood].revents != 0) {
            drain(floodTimer_);
            const auto frame = replies_.frame(lastOutputs_, monotonicMicros());
            send(frame.data(), frame.size());
        }
        if (fds[kClientClosed].revents != 0)
            terminal.clientClosed();
    }
}

bool CardLoop::readRequests(std::string& error)
{
    std::array<std::uint8_t, 512> chunk{};
    for (;;) {
        const ssize_t n = ::read(master_, chunk.data(), chunk.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        if (n <= 0) {
            error = std::string("reading the pseudo-terminal: ") + (n == 0 ? "end of file" : std::strerror(errno));
            return false;
        }
        const std::int64_t now = monotonicMicros();
        for (std::uint8_t mask : scanner_.feed(chunk.data(), static_cast<std::size_t>(n)))
            takeRequest(mask, now);
    }
}

void CardLoop::takeRequest(std::uint8_t mask, std::int64_t now)
{
    log_.write(now, mask);
    lastOutputs_ = mask;
    if (options_.replyDelayUs == 0) {
        const auto bytes = replies_.answer(mask, now);
        send(bytes.data(), bytes.size());
        return;
    }
    pending_.push_back({now + options_.replyDelayUs, mask});
    if (pending_.size() == 1)
        armDelayTimer();
}

void CardLoop::sendDueReplies()
{
    const std::int64_t now = monotonicMicros();
    while (!pending_.empty() && pending_.front().dueUs <= now) {
        const auto bytes = replies_.answer(pending_.front().outputs, now);
        send(bytes.data(), bytes.size());
        pending_.pop_front();
    }
    if (!pending_.empty())
        armDelayTimer();
}

void CardLoop::armDelayTimer()
{
    const itimerspec setting = absoluteTime(pending_.front().dueUs);
    timerfd_settime(delayTimer_, TFD_TIMER_ABSTIME, &setting, nullptr);
}

void CardLoop::send(const std::uint8_t* bytes, std::size_t size)
{
    // The master is non-blocking: if nobody drains the line the bytes are dropped
    // rather than stalling the card, like a card talking to an unplugged cable.
    while (size > 0) {
        const ssize_t n = ::write(master_, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
}
