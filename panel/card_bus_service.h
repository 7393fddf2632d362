#pragma once
// The panel on the session bus: io.github.pelmora.Card1 at /io/github/pelmora/Card1,
// under a name of this panel's own and, while it is the first panel, the well-known
// name. Its properties are the card as the window shows it; each change is announced
// once, by PropertiesChanged (a change of the readings alone at most once a second
// while no client has claimed them). Requests to switch outputs are checked here and handed on
// as signals, which the program connects to the window's own handlers.

#include "card_state.h"

#include "card_bus/output_arguments.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <memory>
#include <optional>

class QDBusServiceWatcher;

namespace panel {

class CardBusService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_PROPERTY(uint Outputs READ outputs)
    Q_PROPERTY(uint Inputs READ inputs)
    Q_PROPERTY(double Analog1Volts READ analog1Volts)
    Q_PROPERTY(double Analog2Volts READ analog2Volts)
    Q_PROPERTY(uint Analog1Raw READ analog1Raw)
    Q_PROPERTY(uint Analog2Raw READ analog2Raw)
    Q_PROPERTY(QString Port READ port)
    Q_PROPERTY(QString Device READ device)
    Q_PROPERTY(bool Connected READ connected)

public:
    explicit CardBusService(QObject* parent = nullptr);
    ~CardBusService() override;

    // Offers the interface on `bus`. False when the bus refused the object or the
    // panel's own name; error() says why.
    bool publish(QDBusConnection bus);
    QString error() const { return error_; }
    // The name of this panel's own, io.github.pelmora.pelmora.p<PID>.
    static QString instanceName();

    // What the window shows now: what changed since the last call is announced in one
    // PropertiesChanged; nothing is sent when nothing changed.
    void show(const CardState& card);
    const CardState& card() const { return card_; }

    uint outputs() const { return uint(card_.outputs); }
    uint inputs() const { return uint(card_.inputs); }
    double analog1Volts() const { return card_.analog1Volts; }
    double analog2Volts() const { return card_.analog2Volts; }
    uint analog1Raw() const;
    uint analog2Raw() const;
    QString port() const { return card_.port; }
    QString device() const { return card_.device; }
    bool connected() const { return card_.connected; }

public slots:
    // The interface's methods; a bad argument gets a D-Bus error reply and goes no further.
    void SetOutput(uint output, const QString& state);
    void SetOutputs(uint mask);
    void ClaimReadings();
    void ReleaseReadings();

signals:
    // channel counts from 0, the leftmost output, as the window's handlers take it.
    void toggleRequested(int channel);
    void switchRequested(int channel, bool on);
    void outputsRequested(int mask);

private:
    // Refuses the call being handled when there is a refusal; true when it did.
    bool refused(const std::optional<card_bus::Refusal>& refusal);
    // Whether to keep back a change of the readings alone: nobody claimed them and they
    // went out less than a second ago.
    bool holdsBack(const QVariantMap& changed) const;

    CardState card_;
    CardState announced_;              // as the last PropertiesChanged left it
    QElapsedTimer readingsAnnounced_;  // since the readings last went out
    QSet<QString> readingsClaims_;     // the callers' unique names
    std::unique_ptr<QDBusServiceWatcher> claimsWatcher_;
    std::optional<QDBusConnection> bus_;
    QString error_;
};

} // namespace panel
