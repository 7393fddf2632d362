#include "forwarding_loop.h"

#include "platform/process/clocks.h"
#include "port_messages/port_messages.h"

#include <QEventLoop>
#include <QSocketNotifier>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

Moment now() { return {wallMicros(), monotonicMicros()}; }

std::array<std::uint8_t, 4096> chunk;

} // namespace

ForwardingLoop::ForwardingLoop(CardDevice& card, BackgroundWriter& rows, BackgroundWriter& messages, int stopFd)
    : card_(card), rows_(rows), messages_(messages), stopFd_(stopFd)
{
    deadline_.setSingleShot(true);
    retry_.setInterval(kRetryMs);
}

void ForwardingLoop::startWithoutCard(const std::string& reason)
{
    cardGone_ = true;
    writeRows(recorder_.deviceGone(reason, now()));
}

ForwardingLoop::Ending ForwardingLoop::run(CardTerminal& panel, std::string& error)
{
    panel_ = panel.master();
    error_.clear();
    ending_ = Ending::Stopped;
    endUs_ = INT64_MAX;
    QEventLoop loop;
    loop_ = &loop;
    QObject context;  // every connection below ends with this run

    QSocketNotifier stop(stopFd_, QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QSocketNotifier fromPanel(panel_, QSocketNotifier::Read);
    QObject::connect(&fromPanel, &QSocketNotifier::activated, &context, [this] { forwardFromPanel(); afterEvent(); });
    QSocketNotifier toPanel(panel_, QSocketNotifier::Write);
    toPanel.setEnabled(false);
    panelWritable_ = &toPanel;
    QObject::connect(&toPanel, &QSocketNotifier::activated, &context, [this] { flushToPanel(); afterEvent(); });
    std::unique_ptr<QSocketNotifier> closed;
    if (panel.closeWatch() >= 0) {
        closed = std::make_unique<QSocketNotifier>(panel.closeWatch(), QSocketNotifier::Read);
        QObject::connect(closed.get(), &QSocketNotifier::activated, &context, [&panel] { panel.clientClosed(); });
    }
    std::unique_ptr<QSocketNotifier> process;
    if (processFd_ >= 0) {
        process = std::make_unique<QSocketNotifier>(processFd_, QSocketNotifier::Read);
        QObject::connect(process.get(), &QSocketNotifier::activated, &context, [this, &process] {
            process->setEnabled(false);  // ended once; the pidfd stays readable
            panelEnded();
            afterEvent();
        });
    }
    followCard(context);
    QObject::connect(&deadline_, &QTimer::timeout, &context, [this] { afterEvent(); });
    if (cardGone_)
        retry_.start();
    // Bytes the card sent before the loop began.
    forwardFromCard();
    afterEvent();
    if (error_.empty() && monotonicMicros() < endUs_)
        loop.exec();
    retry_.stop();
    deadline_.stop();
    loop_ = nullptr;
    panelWritable_ = nullptr;
    // However it ended, what was recorded so far is handed over.
    writeRows(recorder_.finish());
    error = error_;
    return error_.empty() ? ending_ : Ending::Failed;
}

void ForwardingLoop::followCard(QObject& context)
{
    card_link::CardPort& card = card_.port();
    QObject::connect(&card, &card_link::CardPort::readyRead, &context, [this] { forwardFromCard(); afterEvent(); });
    QObject::connect(&card, &card_link::CardPort::deviceLost, &context, [this](const card_link::PortProblem& why) {
        cardLost(why);
        afterEvent();
    });
    QObject::connect(&card, &card_link::CardPort::opened, &context, [this] { cardBack(); afterEvent(); });
    // What the user should know of a remote card's line, once per connection.
    const auto tell = [this](const card_link::PortProblem& what) {
        say(card_link::portMessage(what, card_link::Language::English).toStdString());
    };
    for (const card_link::PortProblem& early : card_.takeEarlyNotices())
        tell(early);
    QObject::connect(&card, &card_link::CardPort::notice, &context, tell);
    QObject::connect(&retry_, &QTimer::timeout, &context, [this] { retryCard(); afterEvent(); });
}

void ForwardingLoop::afterEvent()
{
    writeRows(recorder_.settleQuiet(monotonicMicros()));
    if (panelWritable_)
        panelWritable_->setEnabled(toPanel_.waiting());
    if (!error_.empty() || monotonicMicros() >= endUs_) {
        if (loop_)
            loop_->quit();
        return;
    }
    std::int64_t next = std::min(recorder_.nextDeadline().value_or(INT64_MAX), endUs_);
    if (next == INT64_MAX) {
        deadline_.stop();
        return;
    }
    // Rounded up, so the wait is never cut short into a second wake-up.
    const std::int64_t waitUs = std::max<std::int64_t>(0, next - monotonicMicros());
    deadline_.start(static_cast<int>((waitUs + 999) / 1000));
}

void ForwardingLoop::panelEnded()
{
    ending_ = Ending::PanelEnded;
    // A card that is gone has no answer on its way.
    endUs_ = card_.isOpen() ? monotonicMicros() + kLastAnswerUs : 0;
}

void ForwardingLoop::forwardFromPanel()
{
    const ssize_t n = ::read(panel_, chunk.data(), chunk.size());
    if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
        error_ = std::string("the panel's pseudo-terminal failed: ") + std::strerror(errno);
    if (n <= 0)
        return;  // no panel on its end just now, or nothing after all
    const Moment at = now();
    const auto size = static_cast<std::size_t>(n);
    const QByteArray bytes(reinterpret_cast<const char*>(chunk.data()), static_cast<qsizetype>(size));
    // While the card is gone the panel's bytes go nowhere, as on an unplugged cable.
    if (card_.isOpen()) {
        try {
            card_.port().output(bytes);
        } catch (const card_link::SerialError&) {
            // A card that takes nothing (its line stalled): these bytes are lost on the way.
        }
    }
    writeRows(recorder_.record(Direction::PanelToCard, chunk.data(), size, at));
}

void ForwardingLoop::flushToPanel()
{
    if (!toPanel_.flush(panel_))
        error_ = std::string("writing to the panel's pseudo-terminal: ") + std::strerror(errno);
}

void ForwardingLoop::forwardFromCard()
{
    if (!card_.isOpen())
        return;
    QByteArray bytes;
    try {
        bytes = card_.port().input();
    } catch (const card_link::SerialError&) {
        return;
    }
    if (bytes.isEmpty())
        return;
    const Moment at = now();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const auto size = static_cast<std::size_t>(bytes.size());
    if (!toPanel_.send(panel_, data, size))
        toPanel_.clear();
    writeRows(recorder_.record(Direction::CardToPanel, data, size, at));
}

void ForwardingLoop::cardLost(const card_link::PortProblem& why)
{
    if (cardGone_)
        return;
    cardGone_ = true;
    const std::string reason = card_link::portMessage(why, card_link::Language::English).toStdString();  // names the device
    say("the card went away: " + reason + " Trying it again once a second.");
    writeRows(recorder_.deviceGone(reason, now()));
    retry_.start();
}

void ForwardingLoop::retryCard()
{
    // A remote card is connected in the background and is back when it has opened.
    if (card_.port().reopen())
        cardBack();
}

void ForwardingLoop::cardBack()
{
    if (!cardGone_ || !card_.isOpen())
        return;
    cardGone_ = false;
    retry_.stop();
    say(card_.name() + " is back");
    writeRows(recorder_.deviceBack(card_.name(), now()));
    forwardFromCard();
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
    if (showRows_)
        showRows_(rows);
}

void ForwardingLoop::say(const std::string& message)
{
    messages_.add("pelmora-tap: " + message + "\n");
}
