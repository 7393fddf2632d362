#pragma once
// Why a port could not be opened: the device that was tried, the system's reason
// and what stands in the way (a missing device, a group, a holder, a lock file).

#include "card_link/port_problem.h"

#include <QSerialPort>
#include <QString>

namespace card_link {

// Looks at the device and at what the serial port reported, right after a
// failed open.
PortProblem diagnoseRefusal(int number, const QString& device, QSerialPort::SerialPortError error,
                            const QString& reason);

// The lock file that serial programs put in /var/lock for the device they use.
QString lockFileFor(const QString& device);

} // namespace card_link
