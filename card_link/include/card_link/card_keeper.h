#pragma once
// The card on the port in use, kept for a program that polls it (the panel, the service):
// whether the card answers, and why not when it does not; a port in use that went away,
// or could not be opened yet, is tried again at most once a second. Fed by the polling,
// on a clock that tests can set; each change of the card's answers is handed over once,
// as it happens.

#include "card_watch.h"
#include "port_problem.h"
#include "serial_port.h"

#include <QString>

#include <chrono>
#include <functional>

namespace card_link {

class CardKeeper {
public:
    using Clock = CardWatch::Clock;
    static constexpr std::chrono::milliseconds kReopenInterval{1000};

    explicit CardKeeper(SerialPort& port) : port_(port) {}

    // The port has been opened for use: the watch starts afresh, and the card counts as
    // connected from its first whole reply.
    void opened(Clock::time_point now);
    // The port could not be opened for `why`: it is not in use, and not tried again.
    void refused(const PortProblem& why);
    // The port could not be opened for `why`, and is to be tried again once a second
    // until it opens; its opening then counts as the device coming back.
    void awaited(const PortProblem& why, Clock::time_point now);
    // No port is in use for now: another is being chosen.
    void release() { inUse_ = answering_ = false; }
    // The open port went away for `why` (it says so itself); it is tried again.
    void lost(const PortProblem& why) { problem_ = why; }
    // Nothing is opened or polled from now on.
    void stop();

    // Before each poll: true when the port in use is open. One that is not is tried
    // again, at most once per interval; problem() says why it is still closed.
    bool readyToPoll(Clock::time_point now);
    // When a port that is not open will next be tried, by readyToPoll.
    Clock::time_point nextRetry() const { return lastReopen_ + kReopenInterval; }
    // After each exchange on the port in use: whether a whole reply came.
    void exchanged(bool replied, Clock::time_point now);

    bool inUse() const { return inUse_; }
    // The port is open and the card has answered on it within CardWatch::kSilence.
    bool connected() const { return inUse_ && answering_ && port_.portOpen(); }
    // The port is open, but the card has not answered on it for CardWatch::kSilence.
    bool silent() const { return inUse_ && port_.portOpen() && watch_.silent(); }
    // Why the port could not be had, or was lost, last.
    const PortProblem& problem() const { return problem_; }
    // "the card on DEVICE is not connected: WHY", in English, for a request that cannot
    // be done; empty while the port is open and the card has not fallen silent (a card
    // just opened has until its first reply is due).
    QString notConnected(const QString& device) const;

    // Each change of the card's answers, once.
    std::function<void(CardWatch::Change)> changed;

private:
    void tell(CardWatch::Change change);

    SerialPort& port_;
    CardWatch watch_;
    PortProblem problem_;
    bool inUse_ = false;
    bool stopped_ = false;
    bool answering_ = false;
    Clock::time_point lastReopen_{};
};

} // namespace card_link
