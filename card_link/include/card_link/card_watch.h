#pragma once
// Whether the card on the port in use is answering, for someone watching a program that
// holds it: the readings keep their last values when the card falls silent or its device
// goes away, so each change is told once, as it happens. Fed by the polling, on a clock
// that tests can set. The words for each change are port_messages' changeLine().

#include <chrono>

namespace card_link {

class CardWatch {
public:
    using Clock = std::chrono::steady_clock;
    // No whole reply for this long, with the port open, and the card counts as silent.
    static constexpr std::chrono::milliseconds kSilence{1000};

    enum class Change {
        None,
        Silent,     // no whole reply for kSilence
        Answering,  // replies again after being silent
        Gone,       // the device went away
        Back,       // the device is there again and has been reopened
    };

    // A port has been chosen (opened or not): the watch starts afresh, with the
    // card counted as answering until kSilence passes without a reply.
    void restart(Clock::time_point now);

    // No whole reply for kSilence, with the port open.
    bool silent() const { return state_ == State::Silent; }

    // The port is away before it was ever open: counted as gone, without a change to tell.
    void markGone() { state_ = State::Gone; }

    // Before each poll: whether the port in use is open.
    Change portChecked(bool open, Clock::time_point now);

    // After each exchange on the port: whether a whole reply came.
    Change exchanged(bool replied, Clock::time_point now);

private:
    enum class State { Answering, Silent, Gone };
    State state_ = State::Answering;
    Clock::time_point lastReply_{};
};

} // namespace card_link
