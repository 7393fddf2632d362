#include "port_device.h"

#include <QtGlobal>

namespace card_link {

QString device_for_port(int number)
{
    if (number >= 1 && number <= 4) {
        const QString named = qEnvironmentVariable(qPrintable(QStringLiteral("PELMORA_COM%1").arg(number)));
        if (!named.isEmpty())
            return named;
    }
    return QStringLiteral("/dev/ttyS%1").arg(number - 1);
}

} // namespace card_link
