#pragma once
// What the live chart shows, gathered from the recording's rows as they pass: the two
// analogue inputs in volts, the eight outputs and the eight inputs, each over the last
// `windowSeconds` before the newest row, and the values now. Outputs come from the
// requests that reached the card, inputs and volts from the card's replies; a card's
// device that went away breaks the analogue lines until it is back. Memory stays that of
// one window of polling, however long the tap runs.

#include "card_link/card_frames.h"
#include "tap_row.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

class LiveTrace {
public:
    struct Volts {
        double seconds = 0;     // since the Unix epoch
        double volts1 = 0;
        double volts2 = 0;
        bool afterGap = false;  // the first after an outage: not joined to the one before
    };
    struct States {
        double seconds = 0;
        std::uint8_t on = 0;    // bit n: channel n (Out n+1 or In n+1) is on
    };

    explicit LiveTrace(double windowSeconds);

    // The next row, in the order the tap wrote them; rows of other kinds are left alone.
    void add(const TapRow& row);

    double windowSeconds() const { return window_; }
    // Each series holds its samples in the window and the last one before it, which
    // gives a line's or a trace's start at the window's left edge.
    const std::deque<Volts>& volts() const { return volts_; }
    const std::deque<States>& outputs() const { return outputs_; }
    const std::deque<States>& inputs() const { return inputs_; }

    // Requests and replies taken so far, as the recording has them.
    std::uint64_t frames() const { return frames_; }
    // The values now: the last reply and the outputs of the last request that reached the card.
    const std::optional<card_link::CardReply>& lastReply() const { return lastReply_; }
    std::optional<std::int64_t> lastReplyUs() const { return lastReplyUs_; }
    const std::optional<std::uint8_t>& lastOutputs() const { return lastOutputs_; }
    // Empty while the card's device is there, else why it is gone.
    const std::string& outage() const { return outage_; }

private:
    template <typename Sample>
    void forgetOld(std::deque<Sample>& samples, double newest);

    double window_;
    std::deque<Volts> volts_;
    std::deque<States> outputs_;
    std::deque<States> inputs_;
    std::uint64_t frames_ = 0;
    bool gap_ = false;
    std::optional<card_link::CardReply> lastReply_;
    std::optional<std::int64_t> lastReplyUs_;
    std::optional<std::uint8_t> lastOutputs_;
    std::string outage_;
};

// Channel n's bit in a request's output mask or a reply's input mask, as States::on keeps it.
std::uint8_t outputStates(std::uint8_t mask);
std::uint8_t inputStates(std::uint8_t mask);
