#include "card_follower.h"

#include "running_panels.h"

#include "card_bus/card_bus_names.h"

#include <QDBusMessage>

CardFollower::CardFollower(QDBusConnection bus, const QString& service, QObject* parent)
    : QObject(parent), bus_(bus), service_(service),
      watcher_(service, bus, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &CardFollower::panelEnded);
}

bool CardFollower::start(bool everyReading)
{
    if (!bus_.connect(service_, card_bus::kObjectPath, card_bus::kPropertiesInterface,
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)))) {
        error_ = bus_.lastError().message();
        return false;
    }
    const QDBusReply<QVariantMap> values = readValues(bus_, service_);
    if (!values.isValid()) {
        error_ = values.error().message();
        return false;
    }
    values_ = values.value();
    // No answer is awaited: a panel that does not know the call still announces every
    // other change.
    if (everyReading)
        bus_.call(QDBusMessage::createMethodCall(service_, card_bus::kObjectPath, card_bus::kInterface,
                                                 QStringLiteral("ClaimReadings")),
                  QDBus::NoBlock);
    return true;
}

void CardFollower::propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&)
{
    if (interface != card_bus::kInterface || changed.isEmpty())
        return;
    for (auto it = changed.begin(); it != changed.end(); ++it)
        values_.insert(it.key(), it.value());
    emit this->changed(changed.keys());
}
