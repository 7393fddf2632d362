#include "card_device.h"

#include "port_messages/port_messages.h"

CardDevice::CardDevice(std::function<std::string(std::string&)> resolveName)
{
    port_.setResolver([this, resolve = std::move(resolveName)](QString& problem) {
        std::string why;
        name_ = resolve(why);
        problem = QString::fromStdString(why);
        return QString::fromStdString(name_);
    });
}

bool CardDevice::open(std::string& error)
{
    try {
        port_.setPortOpen(true);
    } catch (const card_link::SerialError& refused) {
        error = panel::portMessage(refused.problem()).toStdString();
        return false;
    }
    return true;
}
