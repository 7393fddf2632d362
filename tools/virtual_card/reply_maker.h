#pragma once
// What the card answers: its input mask and two analogue bytes, or garbage in the fault mode.

#include "card_options.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

// Triangle 0 -> 255 -> 0 over one sweep period, at `elapsedUs` after start.
std::uint8_t sweepValue(std::int64_t elapsedUs);

constexpr std::int64_t kSweepPeriodUs = 10'000'000;

// The inputs --follow-outputs answers: input n lit for output n, that is the output
// mask with its bit order reversed (output 1 is the request's bit 7, input 1 the
// reply's bit 0).
std::uint8_t inputsFollowing(std::uint8_t outputs);

using Reply = std::array<std::uint8_t, 3>;

class ReplyMaker {
public:
    // With `recorded` replies (from --replay), those are given back in order instead.
    ReplyMaker(const CardOptions& options, std::uint32_t seed, std::int64_t startUs,
               std::vector<Reply> recorded = {});

    // A well-formed reply frame, given the last output mask received and the current time;
    // when replaying, the recorded reply last given (the first before any).
    Reply frame(std::uint8_t lastOutputs, std::int64_t nowUs) const;

    // The bytes sent for one request: a frame, the next recorded reply, or 0..8 random
    // bytes with --garbage.
    std::vector<std::uint8_t> answer(std::uint8_t outputs, std::int64_t nowUs);

private:
    Reply nextRecorded();

    CardOptions options_;
    std::int64_t startUs_;
    std::mt19937 random_;
    std::vector<Reply> recorded_;
    std::size_t next_ = 0;  // the recorded reply the next request gets
    std::size_t last_ = 0;  // the one given last
};
