#include "device_name.h"

#include "card_link/port_device.h"

#include <cctype>

std::string resolveCardDevice(const std::string& name)
{
    const bool comPort = name.size() == 4 && std::tolower(static_cast<unsigned char>(name[0])) == 'c'
        && std::tolower(static_cast<unsigned char>(name[1])) == 'o'
        && std::tolower(static_cast<unsigned char>(name[2])) == 'm' && name[3] >= '1' && name[3] <= '4';
    if (!comPort)
        return name;
    return card_link::device_for_port(name[3] - '0').toStdString();
}
