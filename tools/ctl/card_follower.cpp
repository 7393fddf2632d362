#include "card_follower.h"


#include "card_bus/card_bus_names.h"

#include <QDBusMessage>

CardFollower::CardFollower(const RunningCard& card, QObject* parent)
    : QObject(parent), card_(card), bus_(card.connection),
      watcher_(card.service, bus_, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &CardFollower::panelEnded);
}

bool CardFollower::start(bool everyReading)
{
    if (!bus_.connect(card_.service, card_bus::kObjectPath, card_bus::kPropertiesInterface,
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(propertiesChanged(QString, QVariantMap, QStringList)))) {
        error_ = bus_.lastError();
        return false;
    }
    const QDBusReply<QVariantMap> values = readValues(card_);
    if (!values.isValid()) {
        error_ = values.error();
        return false;
    }
    values_ = values.value();
    // No answer is awaited: a panel that does not know the call still announces every
    // other change.
    if (everyReading)
        bus_.call(QDBusMessage::createMethodCall(card_.service, card_bus::kObjectPath, card_bus::kInterface,
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
