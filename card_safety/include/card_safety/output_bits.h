#pragma once
// The card's eight outputs in a mask: channel 0 (output 1, "Interruttore 1", the leftmost)
// is bit 7, channel 7 is bit 0. Outside the code the outputs are numbered 1 to 8.

namespace card_safety {

inline constexpr int kOutputCount = 8;
inline constexpr int kAllOutputs = 0xFF;

constexpr int outputBit(int channel)
{
    return 0x80 >> channel;
}

} // namespace card_safety
