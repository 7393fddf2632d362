#include "forwarding_loop.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {

std::int64_t clockMicros(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1'000'000 + ts.tv_nsec / 1000;
}

std::int64_t monotonicNow() { return clockMicros(CLOCK_MONOTONIC); }

Moment now() { return {clockMicros(CLOCK_REALTIME), monotonicNow()}; }

std::array<std::uint8_t, 4096> chunk;

} // namespace

ForwardingLoop::ForwardingLoop(CardDevice& card, CsvWriter& csv) : card_(card), csv_(csv)
{
}

ForwardingLoop::~ForwardingLoop()
{
    if (signalFd_ >= 0)
        ::close(signalFd_);
}

bool ForwardingLoop::prepare(std::string& error)
{
    // A reader of the recording that goes away must not end the tap: the write just fails.
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t stops;
    sigemptyset(&stops);
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&stops, signal);
    if (sigprocmask(SIG_BLOCK, &stops, nullptr) != 0
        || (signalFd_ = signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC)) < 0) {
        error = std::string("signalfd: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool ForwardingLoop::run(int panelMaster, std::string& error)
{
    panel_ = panelMaster;
    enum { kSignal, kPanel, kCard };
    for (;;) {
        std::array<pollfd, 3> fds{{
            {signalFd_, POLLIN, 0},
            {panel_, static_cast<short>(POLLIN | (toPanel_.waiting() ? POLLOUT : 0)), 0},
            {card_.fd(), static_cast<short>(POLLIN | (toCard_.waiting() ? POLLOUT : 0)), 0},
        }};
        // A negative fd (card gone) is left out by poll(); the timeout brings the retry.
        if (::poll(fds.data(), fds.size(), pollTimeoutMs()) < 0) {
            if (errno == EINTR)
                continue;
            error = std::string("poll: ") + std::strerror(errno);
            return false;
        }
        if (fds[kSignal].revents != 0)
            break;
        if (fds[kPanel].revents & (POLLERR | POLLNVAL)) {
            error = "the panel's pseudo-terminal failed";
            return false;
        }
        if (fds[kPanel].revents & POLLIN)
            forwardFromPanel();
        if (fds[kCard].revents & POLLIN)
            forwardFromCard();
        else if (card_.isOpen() && (fds[kCard].revents & (POLLHUP | POLLERR | POLLNVAL)))
            cardLost("hung up");
        if ((fds[kPanel].revents & POLLOUT) && !toPanel_.flush(panel_)) {
            error = std::string("writing to the panel's pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        if (card_.isOpen() && (fds[kCard].revents & POLLOUT) && !toCard_.flush(card_.fd()))
            cardLost(std::strerror(errno));
        writeRows(recorder_.settleQuiet(monotonicNow()));
        retryCard();
    }
    writeRows(recorder_.finish());
    return true;
}

void ForwardingLoop::forwardFromPanel()
{
    const ssize_t n = ::read(panel_, chunk.data(), chunk.size());
    if (n <= 0)
        return;  // no panel on its end just now, or nothing after all
    const Moment at = now();
    const auto size = static_cast<std::size_t>(n);
    // While the card is gone the panel's bytes go nowhere, as on an unplugged cable.
    if (card_.isOpen() && !toCard_.send(card_.fd(), chunk.data(), size))
        cardLost(std::strerror(errno));
    writeRows(recorder_.record(Direction::PanelToCard, chunk.data(), size, at));
}

void ForwardingLoop::forwardFromCard()
{
    ssize_t n;
    do
        n = ::read(card_.fd(), chunk.data(), chunk.size());
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (n <= 0) {
        cardLost(n == 0 ? "end of file" : std::strerror(errno));
        return;
    }
    const Moment at = now();
    const auto size = static_cast<std::size_t>(n);
    if (!toPanel_.send(panel_, chunk.data(), size))
        toPanel_.clear();
    writeRows(recorder_.record(Direction::CardToPanel, chunk.data(), size, at));
}

void ForwardingLoop::cardLost(const std::string& reason)
{
    std::fprintf(stderr, "pelmora-tap: %s went away (%s); trying it again once a second\n", card_.name().c_str(),
                 reason.c_str());
    toCard_.clear();
    card_.lose(monotonicNow());
}

void ForwardingLoop::retryCard()
{
    std::string error;
    if (card_.isOpen() || !card_.retryIfDue(monotonicNow(), error))
        return;
    std::fprintf(stderr, "pelmora-tap: %s is back\n", card_.name().c_str());
}

void ForwardingLoop::writeRows(const std::vector<TapRow>& rows)
{
    // One write for all the rows of one wake-up.
    std::string text;
    for (const TapRow& row : rows)
        text += csvLine(row);
    if (!text.empty())
        csv_.write(text);
}

int ForwardingLoop::pollTimeoutMs() const
{
    std::optional<std::int64_t> deadline = recorder_.nextDeadline();
    if (!card_.isOpen())
        deadline = std::min(deadline.value_or(INT64_MAX), card_.nextAttemptUs());
    if (!deadline)
        return -1;
    const std::int64_t waitUs = *deadline - monotonicNow();
    // Rounded up, so the wait is never cut short into a second wake-up.
    return waitUs <= 0 ? 0 : static_cast<int>((waitUs + 999) / 1000);
}
