#include "card_port.h"

#include "remote_name.h"

namespace card_link {

CardPort::CardPort(QObject* parent) : SerialPortObject(parent)
{
    for (SerialPortObject* transport : {static_cast<SerialPortObject*>(&local_), static_cast<SerialPortObject*>(&remote_)}) {
        connect(transport, &SerialPortObject::deviceLost, this, &SerialPortObject::deviceLost);
        connect(transport, &SerialPortObject::opened, this, &SerialPortObject::opened);
        connect(transport, &SerialPortObject::readyRead, this, &SerialPortObject::readyRead);
        connect(transport, &SerialPortObject::notice, this, &SerialPortObject::notice);
    }
}

void CardPort::setPortNumber(int number)
{
    if (active_->portOpen())
        throw SerialError("the port number cannot change while the port is open");
    local_.setPortNumber(number);
    remote_.setPortNumber(number);
    number_ = number;
}

void CardPort::resolve()
{
    if (!resolver_ || active_->portOpen())
        return;
    QString problem;
    const QString device = resolver_(problem);
    if (device.isEmpty()) {
        PortProblem none;
        none.kind = PortProblem::Kind::NoDevice;
        none.number = number_;
        none.reason = problem;
        throw SerialError(none);
    }
    local_.setDevice(device);
    remote_.setDevice(device);
}

SerialPort& CardPort::choose()
{
    resolve();
    if (!active_->portOpen())
        active_ = isRemoteName(deviceName()) ? static_cast<SerialPort*>(&remote_) : &local_;
    return *active_;
}

void CardPort::setPortOpen(bool open)
{
    if (!open) {
        local_.setPortOpen(false);
        remote_.setPortOpen(false);
        return;
    }
    choose().setPortOpen(true);
}

bool CardPort::reopen(PortProblem* why)
{
    try {
        return choose().reopen(why);
    } catch (const SerialError& none) {
        if (why)
            *why = none.problem();
        return false;
    }
}

} // namespace card_link
