#pragma once
// The ports of this machine, as the system lists them now, and the device that
// each COM number opens (see port_map.h for the rule).

#include "port_map.h"

namespace card_link {

// Serial ports present now, each with its stable name under /dev/serial/by-id.
QList<PresentPort> presentPorts();

// What Comn opens now: read afresh from the machine and the environment.
MappedPort currentPort(int number);

// The device Comn opens now; empty when there is no such port.
QString deviceForPort(int number);

// What a name given by the user opens now: for "Com1" to "Com4" (any case) the
// device of that port, empty when it has none; for any other name its path.
// The panel, its tooltips and refusals and the tap all name devices this way.
QString resolveDevice(const QString& name);

} // namespace card_link
