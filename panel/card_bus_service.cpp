#include "card_bus_service.h"

#include "card1_adaptor.h"
#include "card_properties.h"

#include "card_bus/card_bus_names.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace panel {

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
    if (card == card_)
        return;
    const QVariantMap changed = changed_properties(card_, card);
    card_ = card;
    if (!bus_ || changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(card_bus::kObjectPath, card_bus::kPropertiesInterface,
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString(card_bus::kInterface) << changed << QStringList();
    bus_->send(signal);
}

uint CardBusService::analog1Raw() const
{
    return uint(raw_from_volts(card_.analog1Volts));
}

uint CardBusService::analog2Raw() const
{
    return uint(raw_from_volts(card_.analog2Volts));
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
    if (refused(card_bus::check_output(output)))
        return;
    const std::optional<card_bus::OutputState> wanted = card_bus::output_state(state);
    if (refused(wanted ? std::nullopt : std::optional(card_bus::state_refusal(state))))
        return;
    const int channel = int(output) - 1;
    if (*wanted == card_bus::OutputState::Toggle)
        emit toggleRequested(channel);
    else
        emit switchRequested(channel, *wanted == card_bus::OutputState::On);
}

void CardBusService::SetOutputs(uint mask)
{
    if (!refused(card_bus::check_mask(mask)))
        emit outputsRequested(int(mask));
}

} // namespace panel
