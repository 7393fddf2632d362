#include "forwarding_loop.h"

#include "clocks.h"
#include "live_feed.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

namespace {

Moment now() { return {wallMicros(), monotonicMicros()}; }

std::array<std::uint8_t, 4096> chunk;

} // namespace

ForwardingLoop::ForwardingLoop(CardDevice& card, BackgroundWriter& rows, BackgroundWriter& messages, int stopFd)
    : card_(card), rows_(rows), messages_(messages), stopFd_(stopFd)
{
}

void ForwardingLoop::startWithoutCard(const std::string& reason)
{
    card_.lose(monotonicMicros());
    writeRows(recorder_.deviceGone(reason, now()));
}

ForwardingLoop::Ending ForwardingLoop::run(CardTerminal& panel, std::string& error)
{
    panel_ = panel.master();
    error.clear();
    Ending ending = Ending::Stopped;
    // Once the panel's process has ended: when the loop ends.
    std::int64_t endUs = INT64_MAX;
    enum { kStop, kPanel, kCard, kPanelClosed, kProcess };
    while (error.empty()) {
        std::array<pollfd, 5> fds{{
            {stopFd_, POLLIN, 0},
            {panel_, static_cast<short>(POLLIN | (toPanel_.waiting() ? POLLOUT : 0)), 0},
            {card_.fd(), static_cast<short>(POLLIN | (toCard_.waiting() ? POLLOUT : 0)), 0},
            {panel.closeWatch(), POLLIN, 0},
            {endUs == INT64_MAX ? processFd_ : -1, POLLIN, 0},
        }};
        // A negative fd (card gone) is left out by poll(); the timeout brings the retry.
        if (::poll(fds.data(), fds.size(), pollTimeoutMs(endUs)) < 0) {
            if (errno != EINTR)
                error = std::string("poll: ") + std::strerror(errno);
            continue;
        }
        if (fds[kStop].revents != 0)
            break;
        if (fds[kProcess].revents != 0) {
            ending = Ending::PanelEnded;
            // A card that is gone has no answer on its way.
            endUs = card_.isOpen() ? monotonicMicros() + kLastAnswerUs : 0;
        }
        if (fds[kPanel].revents & (POLLERR | POLLNVAL)) {
            error = "the panel's pseudo-terminal failed";
            break;
        }
        if (fds[kPanel].revents & POLLIN)
            forwardFromPanel();
        if (fds[kCard].revents & POLLIN)
            forwardFromCard();
        else if (card_.isOpen() && (fds[kCard].revents & (POLLHUP | POLLERR | POLLNVAL)))
            cardLost("hung up");
        if ((fds[kPanel].revents & POLLOUT) && !toPanel_.flush(panel_))
            error = std::string("writing to the panel's pseudo-terminal: ") + std::strerror(errno);
        if (card_.isOpen() && (fds[kCard].revents & POLLOUT) && !toCard_.flush(card_.fd()))
            cardLost(std::strerror(errno));
        if (fds[kPanelClosed].revents != 0)
            panel.clientClosed();
        writeRows(recorder_.settleQuiet(monotonicMicros()));
        retryCard();
        if (monotonicMicros() >= endUs)
            break;
    }
    // However it ended, what was recorded so far is handed over.
    writeRows(recorder_.finish());
    return error.empty() ? ending : Ending::Failed;
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
    say(card_.name() + " went away (" + reason + "); trying it again once a second");
    toCard_.clear();
    card_.lose(monotonicMicros());
    writeRows(recorder_.deviceGone(card_.name() + ": " + reason, now()));
}

void ForwardingLoop::retryCard()
{
    std::string error;
    if (card_.isOpen() || !card_.retryIfDue(monotonicMicros(), error))
        return;
    say(card_.name() + " is back");
    writeRows(recorder_.deviceBack(card_.name(), now()));
}

void ForwardingLoop::writeRows(const std::vector<TapRow>& rows)
{
    // One hand-over for all the rows of one wake-up.
    if (rows.empty())
        return;
    std::string text;
    for (const TapRow& row : rows)
        text += csvLine(row);
    rows_.add(text);
    if (feed_ != nullptr)
        feed_->add(rows);
}

void ForwardingLoop::say(const std::string& message)
{
    messages_.add("pelmora-tap: " + message + "\n");
}

int ForwardingLoop::pollTimeoutMs(std::int64_t endUs) const
{
    std::optional<std::int64_t> deadline = recorder_.nextDeadline();
    if (!card_.isOpen())
        deadline = std::min(deadline.value_or(INT64_MAX), card_.nextAttemptUs());
    if (endUs != INT64_MAX)
        deadline = std::min(deadline.value_or(INT64_MAX), endUs);
    if (!deadline)
        return -1;
    const std::int64_t waitUs = *deadline - monotonicMicros();
    // Rounded up, so the wait is never cut short into a second wake-up.
    return waitUs <= 0 ? 0 : static_cast<int>((waitUs + 999) / 1000);
}
