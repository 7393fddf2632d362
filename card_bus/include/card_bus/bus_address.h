#pragma once
// The buses a card is offered on, found the same way from a desktop, from cron, from an
// SSH session and from a system service. A bus is never started ("autolaunched") where
// there is none.

#include <QString>

namespace card_bus {

// The user's session bus: DBUS_SESSION_BUS_ADDRESS when it is set, otherwise the user's
// bus socket, $XDG_RUNTIME_DIR/bus, else /run/user/<uid>/bus. Empty when the variable is
// unset and no socket exists.
QString sessionBusAddress();

// The system bus: DBUS_SYSTEM_BUS_ADDRESS when it is set, otherwise the system's bus
// socket, /run/dbus/system_bus_socket. Empty when neither is there.
QString systemBusAddress();

} // namespace card_bus
