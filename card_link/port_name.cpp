#include "port_name.h"

#include "remote_name.h"

namespace card_link {

int com_number(const QString& name)
{
    if (name.size() != 4 || !name.startsWith(QLatin1String("com"), Qt::CaseInsensitive))
        return 0;
    const int number = name.at(3).digitValue();
    return number >= 1 && number <= kPortCount ? number : 0;
}

QString device_path(const QString& name)
{
    if (name.isEmpty() || is_remote_name(name) || name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../")))
        return name;
    return QStringLiteral("/dev/") + name;
}

} // namespace card_link
