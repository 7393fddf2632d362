#pragma once
// An output's state is the background colour of its indicator: 0 (black) is off,
// 255 (pure red) is on. The mask gives channel i the weight 2^(7 - i).

#include <array>

namespace card_link {

inline constexpr int kChannelCount = 8;
inline constexpr int kColourOff = 0;
inline constexpr int kColourOn = 255;

// Black turns red; any other colour turns black.
int toggledColour(int colour);

// Only indicators that are exactly 255 count as on.
int maskFromColours(const std::array<int, kChannelCount>& colours);

} // namespace card_link
