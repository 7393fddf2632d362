#include "card_bus_service.h"

#include "card1_adaptor.h"
#include "card_properties.h"

#include "card_bus/card_bus_names.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>

#include <algorithm>
#include <iterator>

namespace panel {
namespace {

// How long a change of the readings alone may wait when no client has claimed them.
constexpr qint64 kUnclaimedReadingsMs = 1000;

constexpr QLatin1StringView kReadings[] = {card_bus::kAnalog1Volts, card_bus::kAnalog2Volts, card_bus::kAnalog1Raw,
                                           card_bus::kAnalog2Raw};

bool isReading(const QString& name)
{
    return std::find(std::begin(kReadings), std::end(kReadings), name) != std::end(kReadings);
}

bool onlyReadings(const QVariantMap& changed)
{
    return std::all_of(changed.keyBegin(), changed.keyEnd(), isReading);
}

bool anyReading(const QVariantMap& changed)
{
    return std::any_of(changed.keyBegin(), changed.keyEnd(), isReading);
}

} // namespace

CardBusService::CardBusService(QObject* parent) : QObject(parent)
{
    new Card1Adaptor(this);
}

CardBusService::~CardBusService()
{
    if (bus_)
        bus_->unregisterObject(card_bus::kObjectPath);
}

QString CardBusService::instanceName()
{
    return card_bus::kInstancePrefix + QString::number(QCoreApplication::applicationPid());
}

bool CardBusService::publish(QDBusConnection bus)
{
    using Interface = QDBusConnectionInterface;
    if (!bus.registerObject(card_bus::kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        error_ = bus.lastError().message();
        return false;
    }
    bus_ = bus;
    // A claim ends when its client leaves the bus, however it left.
    claimsWatcher_ = std::make_unique<QDBusServiceWatcher>();
    claimsWatcher_->setConnection(bus);
    claimsWatcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(claimsWatcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& name) {
        readingsClaims_.remove(name);
        claimsWatcher_->removeWatchedService(name);
    });
    Interface* names = bus.interface();
    const QDBusReply<Interface::RegisterServiceReply> own =
        names->registerService(instanceName(), Interface::DontQueueService, Interface::DontAllowReplacement);
    if (!own.isValid() || own.value() != Interface::ServiceRegistered) {
        error_ = own.isValid() ? QStringLiteral("%1 is taken").arg(instanceName()) : own.error().message();
        return false;
    }
    // In line for the well-known name: the first panel has it, the next takes it when that one ends.
    const QDBusReply<Interface::RegisterServiceReply> shared =
        names->registerService(card_bus::kServiceName, Interface::QueueService, Interface::AllowReplacement);
    if (!shared.isValid()) {
        error_ = shared.error().message();
        return false;
    }
    return true;
}

void CardBusService::show(const CardState& card)
{
    card_ = card;
    if (!bus_)
        announced_ = card;
    // Most polls change nothing: no property map is built for them.
    if (card == announced_)
        return;
    const QVariantMap changed = changedProperties(announced_, card);
    if (changed.isEmpty() || holdsBack(changed))
        return;
    if (anyReading(changed))
        readingsAnnounced_.start();
    announced_ = card;
    QDBusMessage signal = QDBusMessage::createSignal(card_bus::kObjectPath, card_bus::kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString(card_bus::kInterface) << changed << QStringList();
    bus_->send(signal);
}

bool CardBusService::holdsBack(const QVariantMap& changed) const
{
    return readingsClaims_.isEmpty() && onlyReadings(changed) && readingsAnnounced_.isValid()
           && readingsAnnounced_.elapsed() < kUnclaimedReadingsMs;
}

void CardBusService::ClaimReadings()
{
    if (!calledFromDBus() || readingsClaims_.contains(message().service()))
        return;
    readingsClaims_.insert(message().service());
    claimsWatcher_->addWatchedService(message().service());
}

void CardBusService::ReleaseReadings()
{
    if (calledFromDBus() && readingsClaims_.remove(message().service()))
        claimsWatcher_->removeWatchedService(message().service());
}

uint CardBusService::analog1Raw() const
{
    return uint(rawFromVolts(card_.analog1Volts));
}

uint CardBusService::analog2Raw() const
{
    return uint(rawFromVolts(card_.analog2Volts));
}

bool CardBusService::refused(const std::optional<card_bus::Refusal>& refusal)
{
    if (!refusal)
        return false;
    if (calledFromDBus())
        sendErrorReply(refusal->name, refusal->message);
    return true;
}

void CardBusService::SetOutput(uint output, const QString& state)
{
    if (refused(card_bus::checkOutput(output)))
        return;
    const std::optional<card_bus::OutputState> wanted = card_bus::outputState(state);
    if (refused(wanted ? std::nullopt : std::optional(card_bus::stateRefusal(state))))
        return;
    const int channel = int(output) - 1;
    if (*wanted == card_bus::OutputState::Toggle)
        emit toggleRequested(channel);
    else
        emit switchRequested(channel, *wanted == card_bus::OutputState::On);
}

void CardBusService::SetOutputs(uint mask)
{
    if (!refused(card_bus::checkMask(mask)))
        emit outputsRequested(int(mask));
}

} // namespace panel
