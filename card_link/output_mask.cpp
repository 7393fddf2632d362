#include "output_mask.h"

namespace card_link {

int toggled_colour(int colour)
{
    return colour == kColourOff ? kColourOn : kColourOff;
}

int mask_from_colours(const std::array<int, kChannelCount>& colours)
{
    int mask = 0;
    for (int i = 0; i < kChannelCount; ++i) {
        if (colours[i] == kColourOn)
            mask += 1 << (7 - i);
    }
    return mask;
}

} // namespace card_link
