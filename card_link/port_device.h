#pragma once
// Maps a COM number to a device: PELMORA_COMn (n = 1..4) when set, otherwise
// /dev/ttyS(n-1).

#include <QString>

namespace card_link {

QString device_for_port(int number);

} // namespace card_link
