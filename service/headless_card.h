#pragma once
// The card held without a window: polled every 100 ms on the panel's absolute schedule
// through the card link's own port, exchange and keeper, with no window to show it on or
// yield to. Its first request goes out as soon as the port is open. A device that cannot
// be had at start is tried again once a second, and why is said at most once a minute
// while it stays so; a device lost while polled is handled as the panel handles it: the
// outputs kept, the port tried again once a second, the outputs sent again when it is back.
// While its port is not open it is woken only to try it again, once a second, not at every
// poll's time. Requests from outside (the bus, the broker) come through CardHolder; one
// that comes while the last request still waits for its reply goes with the next request,
// with whatever else comes meanwhile (the last word for each output wins), so that a flood
// of commands never queues requests behind each other on the line. Every mask the card is
// sent is decided by the card's guard (card_safety): commands go through it, and each poll
// asks it whether a timer, a held ON or the safe state has changed the outputs.

#include "card_link/card_keeper.h"
#include "card_link/card_port.h"
#include "card_link/card_state.h"
#include "card_link/poll_exchange.h"
#include "card_safety/output_guard.h"
#include "platform/interval_timer.h"

#include <QObject>
#include <QTimer>

#include <optional>

class HeadlessCard : public QObject, public card_link::CardHolder, private card_link::ExchangeView {
    Q_OBJECT
public:
    using Clock = card_link::CardKeeper::Clock;
    static constexpr int kPollMs = 100;
    static constexpr std::chrono::minutes kRepeatWaiting{1};
    // A request and its reply at 9600 baud, 8N1: 7 bytes of 10 bits, 7.3 ms, and the card's
    // own time to answer.
    static constexpr std::chrono::milliseconds kAnswerTime{20};

    // `device` as the user named it; empty for Com1 as the panel resolves it.
    HeadlessCard(const QString& device, const QString& name, card_safety::OutputGuard& guard,
                 QObject* parent = nullptr);

    // Opens the card and polls it, the first request carrying `outputs`.
    void start(int outputs);

    // At a clean stop: the safe state, when the guard has one for it, else outputs asked for
    // and not sent yet, go to the card now; the card's reply to the safe state is waited for
    // (at most kStopWait).
    void finish();
    static constexpr std::chrono::milliseconds kStopWait{500};

    card_link::CardState state() const;
    // The state as changed() last told it.
    const card_link::CardState& shown() const { return shown_; }
    // What the card is doing, in words: "polling /dev/ttyUSB0", "waiting for /dev/ttyUSB0: missing".
    QString status() const;
    QString deviceName() const { return port_.deviceName(); }

    QString switchOutput(int channel, card_link::OutputState state) override;
    QString setOutputs(int mask) override;
    void heartbeat() override { guard_.heartbeat(); }

signals:
    // state() has changed: at most once a poll.
    void changed();
    // status() may have changed: the device came, went, or the card fell silent.
    void statusChanged();
    // The outputs have changed, as the next request carries them.
    void outputsChanged(int mask);
    // A line for the log: what happened to the card.
    void said(const QString& line);
    // A poll's time has come, or a retry's while the port is not open: at least once a
    // second while the event loop runs (systemd's watchdog hears it).
    void ticked();

private:
    void tick();
    QString cardStatus() const;
    // The port is not open: no polls until it is tried again, once a second.
    void waitForRetry(Clock::time_point now);
    void poll();
    // A mask the guard decided on a command: sent at once, or with the next request.
    QString command(int decided);
    // Sends the outputs asked for at once: empty when the request went, else why not (the
    // guard is then told that the outputs stayed as they were).
    // Whether the command's sender was already told it was taken, or waits for the request.
    enum class Asker { Waiting, Answered };
    QString sendAsked(Asker asker);
    // The command held for the card's reply, sent now.
    void sendHeld();
    // A mask the guard decided by itself (a timer, a held ON, the safe state): the outputs
    // from now on, sent by the poll that follows, or when the card is back.
    void adopt(int mask);
    // Until the card's reply to the last request has come, for at most `wait`.
    void awaitReply(std::chrono::milliseconds wait);
    // The outputs the next request carries: those asked for, else those last sent.
    int nextOutputs() const { return asked_.value_or(outputs_); }
    // Tells whoever follows the card what changed since it was last told.
    void showChanges();
    void tell(card_link::CardWatch::Change change);
    // Why the card cannot be had yet: said when it is new, or a minute after it was last said.
    void tellWaiting();
    void setGaugeValue(int gauge, double volts) override;
    void pilota_led(int quale_led, int acceso) override;
    void yieldEvents() override {}

    card_safety::OutputGuard& guard_;
    card_link::CardPort port_;
    card_link::CardKeeper keeper_;
    platform::IntervalTimer timer_;
    QTimer retry_;
    QTimer folded_;  // sends the outputs asked for while a request waited for its reply
    QString name_;
    int outputs_ = 0;             // as the card was last sent them
    std::optional<int> asked_;    // asked for, not sent yet
    Clock::time_point sentAt_{};  // the last request written
    int inputs_ = 0;
    double volts_[2] = {0, 0};
    card_link::Exchange lastExchange_ = card_link::Exchange::NotSent;
    bool everOpen_ = false;
    card_link::CardState shown_;
    QString waitingSaid_;
    Clock::time_point waitingSaidAt_{};
};
