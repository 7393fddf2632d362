#pragma once
// A serial port object that also tells its comings and goings, for a program that
// forwards bytes as they come (the tap) or a window that says when a setting is refused.
// The local port, the remote port and the panel's port, which chooses between them, all
// tell them the same way.

#include "serial_port.h"

#include <QObject>
#include <QString>

namespace card_link {

class SerialPortObject : public QObject, public SerialPort {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    // The device went away, or the connection dropped, while open; the port is closed.
    void deviceLost(const card_link::PortProblem& why);
    // A reopen() that finished in the background: the port is open now.
    void opened();
    // Bytes have come from the card: input() has them.
    void readyRead();
    // Something the user should know once: a line setting refused, say.
    void notice(const card_link::PortProblem& what);
};

} // namespace card_link
