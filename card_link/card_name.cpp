#include "card_name.h"

#include "remote_name.h"

namespace card_link {
namespace {

bool allowed(QChar c)
{
    return (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char('_');
}

} // namespace

QString cardNameProblem(const QString& name, Language language)
{
    const bool italian = language == Language::Italian;
    if (name.isEmpty())
        return italian ? QStringLiteral("il nome è vuoto") : QStringLiteral("the name is empty");
    if (name.size() > kLongestCardName)
        return (italian ? QStringLiteral("'%1' è più lungo di %2 caratteri") : QStringLiteral("'%1' is longer than %2 characters"))
            .arg(name)
            .arg(kLongestCardName);
    for (const QChar c : name) {
        if (!allowed(c))
            return (italian ? QStringLiteral("'%1' contiene '%2': un nome è fatto di lettere, cifre, '-' e '_'")
                            : QStringLiteral("'%1' holds '%2': a name is made of letters, digits, '-' and '_'"))
                .arg(name, c);
    }
    return {};
}

QString defaultCardName(const QString& device)
{
    RemoteName remote;
    PortProblem unused;
    QString name = isRemoteName(device) && parseRemoteName(device, remote, unused)
        ? QStringLiteral("%1-%2").arg(remote.host).arg(remote.port)
        : device.section(QLatin1Char('/'), -1);
    for (QChar& c : name) {
        if (!allowed(c))
            c = QLatin1Char('_');
    }
    name.truncate(kLongestCardName);
    return name.isEmpty() ? QStringLiteral("card") : name;
}

} // namespace card_link
