#include "running_cards.h"

#include "ctl_status.h"

#include "card_bus/card_bus_names.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>

namespace {

// "pelmora" for a panel's name, "pelmorad" for a service's, empty for any other.
QString programOf(const QString& busName)
{
    if (busName.startsWith(card_bus::kInstancePrefix))
        return QStringLiteral("pelmora");
    return busName.startsWith(card_bus::kServicePrefix) ? QStringLiteral("pelmorad") : QString();
}

// Why a card could not be read, in words: a bus policy's refusal says who may.
QString refusalWords(const QDBusError& error)
{
    if (error.type() != QDBusError::AccessDenied)
        return error.message();
    return QStringLiteral("only root and the members of the group dialout may use it "
                          "(sudo adduser %1 dialout, then log in again)")
        .arg(qEnvironmentVariable("USER", QStringLiteral("USER")));
}

QString described(const RunningCard& card)
{
    return card.device.isEmpty() ? card.name : QStringLiteral("%1 (%2)").arg(card.name, card.device);
}

} // namespace

QDBusReply<QVariantMap> readValues(const RunningCard& card)
{
    QDBusMessage call = QDBusMessage::createMethodCall(card.service, card_bus::kObjectPath,
                                                       card_bus::kPropertiesInterface, QStringLiteral("GetAll"));
    call << QString(card_bus::kInterface);
    return QDBusConnection(card.connection).call(call);
}

void findCards(const QString& connection, const QString& bus, FoundCards& found)
{
    QStringList names = QDBusConnection(connection).interface()->registeredServiceNames().value();
    names.sort();
    for (const QString& name : names) {
        RunningCard card{connection, bus, name, programOf(name), {}, {}, {}};
        if (card.program.isEmpty())
            continue;
        const QDBusReply<QVariantMap> values = readValues(card);
        if (!values.isValid()) {
            found.unreadable << QStringLiteral("%1 on the %2 bus").arg(name, bus);
            if (const QString why = refusalWords(values.error()); !found.why.contains(why))
                found.why << why;
            continue;
        }
        card.name = values.value().value(card_bus::kName).toString();
        card.port = values.value().value(card_bus::kPort).toString();
        card.device = values.value().value(card_bus::kDevice).toString();
        found.cards.append(card);
    }
}

bool namesDevice(const QString& name, const QString& device)
{
    if (device.isEmpty())
        return false;
    // A card on another machine is named as it was written.
    if (name.contains(QLatin1String("://")))
        return name.compare(device, Qt::CaseInsensitive) == 0;
    // A path (/dev/ttyUSB0, ./card) or a name under /dev (ttyUSB0, pts/3), as the tap takes them.
    const bool path_given = name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('.'));
    const QString path = path_given ? name : QStringLiteral("/dev/") + name;
    if (path == device)
        return true;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(device).canonicalFilePath();
}

CardChoice chooseCard(const FoundCards& found, const QString& device, const QString& name)
{
    if (found.cards.isEmpty() && !found.unreadable.isEmpty())
        return {{},
                QStringLiteral("%1 %2 running, but may not be read: %3")
                    .arg(found.unreadable.join(QStringLiteral(", ")),
                         found.unreadable.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                         found.why.join(QStringLiteral("; "))),
                kNoPanel};
    if (found.cards.isEmpty())
        return {{}, QStringLiteral("no panel or service is running (start pelmora or pelmorad)"), kNoPanel};
    QStringList running;
    for (const RunningCard& card : found.cards) {
        const bool deviceMatches = device.isEmpty() || namesDevice(device, card.device);
        const bool nameMatches = name.isEmpty() || card.name == name;
        if ((!device.isEmpty() || !name.isEmpty()) && deviceMatches && nameMatches)
            return {card, {}, kDone};
        running << described(card);
    }
    const QString list = running.join(QStringLiteral(", "));
    if (!name.isEmpty())
        return {{}, QStringLiteral("no running panel or service has a card named %1 (running: %2)").arg(name, list), kNoPanel};
    if (!device.isEmpty())
        return {{}, QStringLiteral("no running panel or service has the device %1 (running: %2)").arg(device, list),
                kNoPanel};
    if (found.cards.size() == 1)
        return {found.cards.first(), {}, kDone};
    return {{},
            QStringLiteral("%1 cards are held (%2): choose one with --name or --device").arg(found.cards.size()).arg(list),
            kUsage};
}

QString cardLine(const RunningCard& card)
{
    const auto word = [](const QString& text) {
        return text.isEmpty() ? QStringLiteral("-") : QString(text).replace(QLatin1Char(' '), QLatin1String("\\x20"));
    };
    return QStringLiteral("name=%1 device=%2 port=%3 program=%4 bus=%5 busname=%6")
        .arg(word(card.name), word(card.device), word(card.port), card.program, card.bus, card.service);
}

bool hasEnded(const QDBusError& error)
{
    return error.type() == QDBusError::ServiceUnknown || error.type() == QDBusError::Disconnected;
}
