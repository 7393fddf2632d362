#include "line_settings.h"

#include <algorithm>

namespace card_link {

const std::vector<LineSettings::Command>& LineSettings::commands()
{
    static const std::vector<Command> list = {
        {1, QByteArray("\x00\x00\x25\x80", 4)},  // SET-BAUDRATE, 32 bits: 9600
        {2, QByteArray(1, 8)},                     // SET-DATASIZE: 8
        {3, QByteArray(1, 1)},                     // SET-PARITY: NONE
        {4, QByteArray(1, 1)},                     // SET-STOPSIZE: 1
        {5, QByteArray(1, 1)},                     // SET-CONTROL: no flow control
    };
    return list;
}

void LineSettings::sent()
{
    awaited_.clear();
    for (const Command& command : commands())
        awaited_.push_back(command.code);
}

bool LineSettings::awaits(unsigned char code) const
{
    return std::find(awaited_.begin(), awaited_.end(), code) != awaited_.end();
}

bool LineSettings::answered(unsigned char code, const QByteArray& value)
{
    const auto awaited = std::find(awaited_.begin(), awaited_.end(), code);
    if (awaited == awaited_.end())
        return false;  // a notice, or an answer already taken
    awaited_.erase(awaited);
    return std::any_of(commands().begin(), commands().end(),
                       [&](const Command& command) { return command.code == code && value != command.value; });
}

} // namespace card_link
