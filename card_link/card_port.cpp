#include "card_port.h"

#include "remote_name.h"

namespace card_link {

CardPort::CardPort(QObject* parent) : QObject(parent)
{
    connect(&local_, &QtSerialPort::deviceLost, this, &CardPort::deviceLost);
    connect(&remote_, &RemoteSerialPort::deviceLost, this, &CardPort::deviceLost);
    connect(&remote_, &RemoteSerialPort::notice, this, &CardPort::notice);
}

void CardPort::setPortNumber(int number)
{
    if (active_->portOpen())
        throw SerialError("the port number cannot change while the port is open");
    local_.setPortNumber(number);
    remote_.setPortNumber(number);
    number_ = number;
}

SerialPort& CardPort::choose()
{
    if (!active_->portOpen())
        active_ = is_remote_name(deviceName()) ? static_cast<SerialPort*>(&remote_) : &local_;
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

bool CardPort::reopen()
{
    return choose().reopen();
}

} // namespace card_link
