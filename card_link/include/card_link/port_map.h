#pragma once
// Which device each of the window's ports Com1 to Com4 opens.
//
// PELMORA_COMn names the device of Comn when it is set, as the serial port opens
// a name (see port_name.h: "pts/3" is /dev/pts/3). Otherwise Comn is the
// n-th serial port present: USB and ACM adapters first, in the order of their
// stable names under /dev/serial/by-id (their device names when they have none),
// then every other port in the order of its device name. A laptop's only adapter
// is then Com1, and the same adapters always get the same numbers.

#include <QList>
#include <QProcessEnvironment>
#include <QString>

namespace card_link {

// One serial port present on the machine, as the system lists it.
struct PresentPort {
    QString device;       // "/dev/ttyUSB0"
    QString description;  // "FT232R USB UART"; may be empty
    QString manufacturer; // may be empty
    QString stableName;   // its name under /dev/serial/by-id, empty when it has none
    bool usb = false;     // a USB or ACM adapter
};

// What Comn opens and where that choice came from.
struct MappedPort {
    enum class Source { Environment, Machine, Absent };
    Source source = Source::Absent;
    QString device;       // the path that opens, empty when absent
    QString description;  // what the device is, when the system says
};

// The environment variable that names the device of Comn.
QString portVariable(int number);

// The ports in the order in which they are numbered.
QList<PresentPort> numberedOrder(QList<PresentPort> ports);

// The device Comn (1-based) opens, given the ports present and the environment.
MappedPort mapPort(int number, const QList<PresentPort>& present, const QProcessEnvironment& environment);

} // namespace card_link
