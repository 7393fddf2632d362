#pragma once
// The card on a bus: io.github.pelmora.Card1 at /io/github/pelmora/Card1, under a name of
// the holder's own (and, for a panel, the well-known name while it is the first panel).
// Its properties are the card as the holder shows it; each change is announced once, by
// PropertiesChanged (a change of the readings alone at most once a second, or as set, while
// no client has claimed them). Requests to switch outputs are checked here and handed to the holder,
// whose answer is the call's: a card that is not connected is an error, never an OK.
//
// Every call on the object is read here, not by Qt's dispatch by signature, so that a call
// with arguments of the wrong types is refused as InvalidArgs, naming the types it takes.

#include "card_link/card_state.h"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QSet>
#include <memory>
#include <optional>

class QDBusServiceWatcher;

namespace card_bus {

class CardBusService : public QDBusVirtualObject {
    Q_OBJECT
public:
    explicit CardBusService(card_link::CardHolder& holder, QObject* parent = nullptr);
    ~CardBusService() override;

    // Offers the card on `bus` under `ownName`, and, with `wellKnown`, in line for the
    // panels' shared name. False when the bus refused the object or the name; error() says why.
    bool publish(QDBusConnection bus, const QString& ownName, bool wellKnown);
    QString error() const { return error_; }
    // The name of this panel's own, io.github.pelmora.pelmora.p<PID>.
    static QString panelInstanceName();

    // How long a change of the readings alone waits while no client has claimed them:
    // a second by default.
    void setUnclaimedReadingsInterval(qint64 ms) { unclaimedReadingsMs_ = ms; }

    // What the holder shows now: what changed since the last call is announced in one
    // PropertiesChanged; nothing is sent when nothing changed.
    void show(const card_link::CardState& card);
    const card_link::CardState& card() const { return card_; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    // The calls of the card's interface; false for a method it does not have.
    bool handleCardCall(const QDBusMessage& message, const QDBusConnection& connection);
    // Get, GetAll and Set of org.freedesktop.DBus.Properties.
    bool handlePropertyCall(const QDBusMessage& message, const QDBusConnection& connection);
    // The answer to SetOutput or SetOutputs: empty when done, else the error's name and words.
    std::optional<std::pair<QString, QString>> switchOutputs(const QDBusMessage& message);
    void claimReadings(const QString& caller, const QDBusConnection& connection);
    void releaseReadings(const QString& caller);
    // Whether to keep back a change of the readings alone: nobody claimed them and they
    // went out less than a second ago. readingsWait() tells it without the property maps.
    bool holdsBack(const QVariantMap& changed) const;
    bool readingsWait(const card_link::CardState& card) const;

    card_link::CardHolder& holder_;
    card_link::CardState card_;
    card_link::CardState announced_;   // as the last PropertiesChanged left it
    QElapsedTimer readingsAnnounced_;  // since the readings last went out
    qint64 unclaimedReadingsMs_ = 1000;
    QSet<QString> readingsClaims_;     // the callers' unique names
    std::unique_ptr<QDBusServiceWatcher> claimsWatcher_;
    std::optional<QDBusConnection> bus_;
    QString error_;
};

} // namespace card_bus
