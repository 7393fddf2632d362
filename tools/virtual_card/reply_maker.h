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

class ReplyMaker {
public:
    ReplyMaker(const CardOptions& options, std::uint32_t seed, std::int64_t startUs);

    // A well-formed reply frame, given the last output mask received and the current time.
    std::array<std::uint8_t, 3> frame(std::uint8_t lastOutputs, std::int64_t nowUs) const;

    // The bytes sent for one request: a frame, or 0..8 random bytes with --garbage.
    std::vector<std::uint8_t> answer(std::uint8_t outputs, std::int64_t nowUs);

private:
    CardOptions options_;
    std::int64_t startUs_;
    std::mt19937 random_;
};
