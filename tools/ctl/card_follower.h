#pragma once
// Follows one card's values from its PropertiesChanged signals, for watch and wait:
// subscribed before the first reading, so no change between the two is missed.

#include "running_cards.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class CardFollower : public QObject {
    Q_OBJECT
public:
    explicit CardFollower(const RunningCard& card, QObject* parent = nullptr);

    // Subscribes and reads every value; false, with error(), when the card's holder did
    // not answer.
    // With `everyReading`, the panel is asked to announce the readings at every poll too
    // (otherwise a change of the readings alone comes at most once a second).
    bool start(bool everyReading);
    const QDBusError& error() const { return error_; }
    const QVariantMap& values() const { return values_; }

signals:
    void changed(const QStringList& names);
    // The panel or service left the bus (it ended).
    void panelEnded();

private slots:
    void propertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    RunningCard card_;
    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    QVariantMap values_;
    QDBusError error_;
};
