#pragma once
// Why a port could not be opened, told in one line of Italian for the user: the
// device that was tried, the system's reason and, where there is one, what to do.

#include <QSerialPort>
#include <QString>

namespace card_link {

struct PortRefusal {
    enum class Kind {
        Absent,       // no device for this COM number at all
        Missing,      // the named device does not exist
        NotPermitted, // this user may not open it
        Held,         // another program has it
        StaleLock,    // a lock file left behind by a program that has ended
        Other,
    };
    Kind kind = Kind::Other;
    int number = 1;              // the COM number
    QString device;              // the device tried, empty when absent
    QString reason;              // the system's own words
    QString holder;              // the program that holds it, when known: "minicom, pid 1234"
    QString lockFile;            // the lock file in the way
    QString group;               // the group that owns the device
    bool groupMayUse = false;    // members of that group may read and write it
    QString user;                // who is running the panel
};

// Looks at the device and at what the serial port reported, right after a
// failed open.
PortRefusal diagnoseRefusal(int number, const QString& device, QSerialPort::SerialPortError error,
                             const QString& reason);

QString refusalText(const PortRefusal& refusal);

// The lock file that serial programs put in /var/lock for the device they use.
QString lockFileFor(const QString& device);

} // namespace card_link
