#include "port_name.h"

#include "remote_name.h"

namespace card_link {

int comNumber(const QString& name)
{
    if (name.size() != 4 || !name.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return 0;
    const int number = name.at(3).digitValue();
    return number >= 1 && number <= kPortCount ? number : 0;
}

QString pathOfDevice(const QString& name)
{
    if (name.isEmpty() || isRemoteName(name) || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../")))
        return name;
    return QStringLiteral("/dev/") + name;
}

} // namespace card_link
