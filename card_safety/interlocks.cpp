#include "interlocks.h"

namespace card_safety {
namespace {

bool severalIn(int mask)
{
    return (mask & (mask - 1)) != 0;
}

} // namespace

int firstChannel(int mask)
{
    for (int channel = 0; channel < kOutputCount; ++channel) {
        if (mask & outputBit(channel))
            return channel;
    }
    return -1;
}

Interlocks::Interlocks(const std::vector<std::vector<int>>& groups)
{
    for (const std::vector<int>& group : groups) {
        int members = 0;
        for (const int channel : group)
            members |= outputBit(channel);
        groups_.push_back(members);
        for (const int channel : group)
            partners_[size_t(channel)] |= members & ~outputBit(channel);
    }
}

int Interlocks::settle(int wanted, int fresh) const
{
    for (const int group : groups_) {
        const int on = wanted & group;
        if (!severalIn(on))
            continue;
        const int winner = (on & fresh) ? firstChannel(on & fresh) : firstChannel(on);
        wanted &= ~group | outputBit(winner);
    }
    return wanted;
}

int Interlocks::overfull(int mask) const
{
    int outputs = 0;
    for (const int group : groups_) {
        if (severalIn(mask & group))
            outputs |= group;
    }
    return outputs;
}

} // namespace card_safety
