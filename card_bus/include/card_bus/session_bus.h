#pragma once
// The user's session bus, found the same way from a desktop, from cron and from an SSH
// session of the same user: DBUS_SESSION_BUS_ADDRESS when it is set, otherwise the
// user's bus socket, $XDG_RUNTIME_DIR/bus, else /run/user/<uid>/bus. A bus is never
// started ("autolaunched") where there is none.

#include <QString>

namespace card_bus {

// The address to connect to; empty when the variable is unset and no socket exists.
QString sessionBusAddress();

} // namespace card_bus
