#pragma once
// The ports of this machine, as the system lists them now, and the device that
// each COM number opens (see port_map.h for the rule).

#include "port_map.h"

namespace card_link {

// Serial ports present now, each with its stable name under /dev/serial/by-id.
QList<PresentPort> present_ports();

// What Comn opens now: read afresh from the machine and the environment.
MappedPort current_port(int number);

// The device Comn opens now; empty when there is no such port.
QString device_for_port(int number);

} // namespace card_link
