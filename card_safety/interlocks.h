#pragma once
// The groups of an interlock as masks: which outputs are another's partners, and how a
// mask that asks two of a group on is settled.

#include "output_bits.h"

#include <array>
#include <cstddef>
#include <vector>

namespace card_safety {

class Interlocks {
public:
    explicit Interlocks(const std::vector<std::vector<int>>& groups);

    // The other outputs of `channel`'s group; 0 when it is in none.
    int partners(int channel) const { return partners_[size_t(channel)]; }
    // `wanted` with at most one output of each group on: of two or more, the first (lowest
    // numbered) of those in `fresh` (newly asked for), else the first of them.
    int settle(int wanted, int fresh) const;
    // The outputs of every group of which `mask` has two or more on.
    int overfull(int mask) const;

private:
    std::vector<int> groups_;  // each as a mask
    std::array<int, kOutputCount> partners_{};
};

// The channel of the lowest-numbered output of `mask`; -1 when it has none.
int firstChannel(int mask);

} // namespace card_safety
