#include "line_settings.h"

#include <algorithm>

namespace card_link {

const std::vector<LineSettings::Command>& LineSettings::commands()
{
    static const std::vector<Command> list = {
        {1, QByteArray("\x00\x00\x25\x80", 4), "velocità 9600"},  // SET-BAUDRATE, 32 bits
        {2, QByteArray(1, 8), "8 bit di dati"},                   // SET-DATASIZE
        {3, QByteArray(1, 1), "nessuna parità"},                  // SET-PARITY: NONE
        {4, QByteArray(1, 1), "1 bit di stop"},                   // SET-STOPSIZE: 1
        {5, QByteArray(1, 1), "nessun controllo di flusso"},      // SET-CONTROL: no flow control
    };
    return list;
}

void LineSettings::sent()
{
    awaited_.clear();
    for (const Command& command : commands())
        awaited_.push_back(command.code);
}

QString LineSettings::answered(unsigned char code, const QByteArray& value)
{
    const auto awaited = std::find(awaited_.begin(), awaited_.end(), code);
    if (awaited == awaited_.end())
        return {};  // a notice, or an answer already taken
    awaited_.erase(awaited);
    for (const Command& command : commands()) {
        if (command.code == code && value != command.value)
            return QString::fromUtf8(command.what);
    }
    return {};
}

QStringList LineSettings::unanswered() const
{
    QStringList settings;
    for (const Command& command : commands()) {
        if (std::find(awaited_.begin(), awaited_.end(), command.code) != awaited_.end())
            settings << QString::fromUtf8(command.what);
    }
    return settings;
}

} // namespace card_link
