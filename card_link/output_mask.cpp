#include "output_mask.h"

namespace card_link {

int toggledColour(int colour)
{
    return colour == kColourOff ? kColourOn : kColourOff;
}

int maskFromColours(const std::array<int, kChannelCount>& colours)
{
    int mask = 0;
    for (int i = 0; i < kChannelCount; ++i) {
        if (colours[i] == kColourOn)
            mask += 1 << (7 - i);
    }
    return mask;
}

} // namespace card_link
