#pragma once
// How a port is named: "Com1" to "Com4" stand for the window's four ports, any
// other name is a device named as the serial port opens it.

#include <QString>

namespace card_link {

inline constexpr int kPortCount = 4;

// 1 to 4 for "Com1" to "Com4" in any case; 0 for any other name.
int comNumber(const QString& name);

// The path a device name opens: a remote name ("rfc2217://pi:3001", see
// remote_name.h) is taken as it stands, as is a name that starts with "/", "./" or "../" is
// taken as it stands, any other is a name under /dev ("ttyUSB0", "pts/3").
QString pathOfDevice(const QString& name);

} // namespace card_link
