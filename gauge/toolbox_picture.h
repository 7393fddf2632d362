#pragma once

// The gauge's toolbox picture: 16 x 15 pixels in the 16 standard colours.
namespace gaugix {

inline const char* const kToolboxPicture[] = {
    "16 15 16 1",
    "0 c #000000", "1 c #800000", "2 c #008000", "3 c #808000",
    "4 c #000080", "5 c #800080", "6 c #008080", "7 c #C0C0C0",
    "8 c #808080", "9 c #FF0000", "a c #00FF00", "b c #FFFF00",
    "c c #0000FF", "d c #FF00FF", "e c #00FFFF", "f c #FFFFFF",
    "0000000000000000",
    "0888888888888880",
    "0888fff88fff8880",
    "088f888f8888f880",
    "08f88888888f8f80",
    "08f8888888f888f0",
    "0f8888888f88888f",
    "0f888888f888888f",
    "0f88888f8888888f",
    "08888888888888f0",
    "0888eeeeeeee8880",
    "0888e00e00ee8880",
    "0888eeeeeeee8880",
    "0888888888888880",
    "0000000000000000",
};

} // namespace gaugix
