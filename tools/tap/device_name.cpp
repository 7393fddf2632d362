#include "device_name.h"

#include "card_link/port_device.h"
#include "card_link/port_map.h"
#include "card_link/port_name.h"

std::string resolveCardDevice(const std::string& name, std::string& problem)
{
    const QString given = QString::fromStdString(name);
    const std::string device = card_link::resolveDevice(given).toStdString();
    if (device.empty()) {
        const int number = card_link::comNumber(given);
        problem = name + ": this computer has no serial port number " + std::to_string(number) + " (and "
            + card_link::portVariable(number).toStdString() + " is not set)";
    }
    return device;
}
