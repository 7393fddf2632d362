#include "card_bus_service.h"

#include "card_bus_names.h"
#include "card_properties.h"
#include "interface_xml.h"
#include "output_arguments.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

#include <algorithm>
#include <iterator>

namespace card_bus {
namespace {

constexpr QLatin1StringView kReadings[] = {kAnalog1Volts, kAnalog2Volts, kAnalog1Raw, kAnalog2Raw};

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

using Error = std::pair<QString, QString>;

std::optional<Error> errorOf(const std::optional<Refusal>& refusal)
{
    return refusal ? std::optional(Error{refusal->name, refusal->message}) : std::nullopt;
}

// The holder's answer: empty when the outputs went to the card.
std::optional<Error> answered(const QString& why)
{
    return why.isEmpty() ? std::nullopt : std::optional(Error{kNotConnected, why});
}

// Answers `call`, unless it asked for no answer.
void answer(const QDBusMessage& call, const QDBusConnection& connection, const QDBusMessage& reply)
{
    if (call.isReplyRequired())
        connection.send(reply);
}

void refuse(const QDBusMessage& call, const QDBusConnection& connection, const QString& name, const QString& words)
{
    answer(call, connection, call.createErrorReply(name, words));
}

// A call whose arguments are not of `signature` is refused, naming what it takes. True when refused.
bool wrongArguments(const QDBusMessage& call, const QDBusConnection& connection, const char* signature,
                    const char* takes)
{
    if (call.signature() == QLatin1String(signature))
        return false;
    refuse(call, connection, kInvalidArgs,
           QStringLiteral("%1 takes %2 (%3), not (%4)").arg(call.member(), QLatin1String(takes),
                                                             QLatin1String(signature), call.signature()));
    return true;
}

} // namespace

CardBusService::CardBusService(card_link::CardHolder& holder, QObject* parent)
    : QDBusVirtualObject(parent), holder_(holder)
{
}

CardBusService::~CardBusService()
{
    if (bus_)
        bus_->unregisterObject(kObjectPath);
}

QString CardBusService::panelInstanceName()
{
    return kInstancePrefix + QString::number(QCoreApplication::applicationPid());
}

bool CardBusService::publish(QDBusConnection bus, const QString& ownName, bool wellKnown)
{
    using Interface = QDBusConnectionInterface;
    if (!bus.registerVirtualObject(kObjectPath, this, QDBusConnection::SingleNode)) {
        error_ = QStringLiteral("the object %1 cannot be offered").arg(kObjectPath);
        return false;
    }
    bus_ = bus;
    // A claim ends when its client leaves the bus, however it left.
    claimsWatcher_ = std::make_unique<QDBusServiceWatcher>();
    claimsWatcher_->setConnection(bus);
    claimsWatcher_->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(claimsWatcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this,
            [this](const QString& name) { releaseReadings(name); });
    Interface* names = bus.interface();
    const QDBusReply<Interface::RegisterServiceReply> own =
        names->registerService(ownName, Interface::DontQueueService, Interface::DontAllowReplacement);
    if (!own.isValid() || own.value() != Interface::ServiceRegistered) {
        error_ = own.isValid() ? QStringLiteral("%1 is taken").arg(ownName) : own.error().message();
        return false;
    }
    if (!wellKnown)
        return true;
    // In line for the well-known name: the first panel has it, the next takes it when that one ends.
    const QDBusReply<Interface::RegisterServiceReply> shared =
        names->registerService(kServiceName, Interface::QueueService, Interface::AllowReplacement);
    if (!shared.isValid()) {
        error_ = shared.error().message();
        return false;
    }
    return true;
}

void CardBusService::show(const card_link::CardState& card)
{
    card_ = card;
    if (!bus_)
        announced_ = card;
    // Most polls change nothing, or only readings that wait: no property map is built for them.
    if (card == announced_ || readingsWait(card))
        return;
    const QVariantMap changed = changedProperties(announced_, card);
    if (changed.isEmpty() || holdsBack(changed))
        return;
    if (anyReading(changed))
        readingsAnnounced_.start();
    announced_ = card;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, kPropertiesInterface, QStringLiteral("PropertiesChanged"));
    signal << QString(kInterface) << changed << QStringList();
    bus_->send(signal);
}

bool CardBusService::readingsWait(const card_link::CardState& card) const
{
    card_link::CardState readingsAsAnnounced = card;
    readingsAsAnnounced.analog1Volts = announced_.analog1Volts;
    readingsAsAnnounced.analog2Volts = announced_.analog2Volts;
    return readingsAsAnnounced == announced_ && readingsClaims_.isEmpty() && readingsAnnounced_.isValid()
           && readingsAnnounced_.elapsed() < unclaimedReadingsMs_;
}

bool CardBusService::holdsBack(const QVariantMap& changed) const
{
    return readingsClaims_.isEmpty() && onlyReadings(changed) && readingsAnnounced_.isValid()
           && readingsAnnounced_.elapsed() < unclaimedReadingsMs_;
}

QString CardBusService::introspect(const QString&) const
{
    const QString xml = QString::fromUtf8(kInterfaceXml);
    const qsizetype from = xml.indexOf(QLatin1String("<interface "));
    const QLatin1String end("</interface>");
    const qsizetype to = xml.indexOf(end, from);
    return from < 0 || to < 0 ? QString() : xml.mid(from, to + end.size() - from) + QLatin1Char('\n');
}

bool CardBusService::handleMessage(const QDBusMessage& message, const QDBusConnection& connection)
{
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    if (message.interface() == kPropertiesInterface)
        return handlePropertyCall(message, connection);
    if (message.interface() == kInterface || message.interface().isEmpty())
        return handleCardCall(message, connection);
    return false;  // Introspectable and Peer: Qt's own answers
}

bool CardBusService::handleCardCall(const QDBusMessage& message, const QDBusConnection& connection)
{
    const QString member = message.member();
    if (member == QLatin1String("SetOutput") || member == QLatin1String("SetOutputs")) {
        const bool one = member == QLatin1String("SetOutput");
        if (wrongArguments(message, connection, one ? "us" : "u", one ? "an output and a state" : "a mask"))
            return true;
        if (const std::optional<Error> error = switchOutputs(message))
            refuse(message, connection, error->first, error->second);
        else
            answer(message, connection, message.createReply());
        return true;
    }
    if (member == QLatin1String("ClaimReadings") || member == QLatin1String("ReleaseReadings")) {
        if (wrongArguments(message, connection, "", "no arguments"))
            return true;
        if (member == QLatin1String("ClaimReadings"))
            claimReadings(message.service(), connection);
        else
            releaseReadings(message.service());
        answer(message, connection, message.createReply());
        return true;
    }
    if (member == QLatin1String("Heartbeat")) {
        if (wrongArguments(message, connection, "", "no arguments"))
            return true;
        holder_.heartbeat();
        answer(message, connection, message.createReply());
        return true;
    }
    if (message.interface().isEmpty())
        return false;
    refuse(message, connection, kUnknownMethod, QStringLiteral("%1 has no method %2").arg(kInterface, member));
    return true;
}

std::optional<std::pair<QString, QString>> CardBusService::switchOutputs(const QDBusMessage& message)
{
    const QList<QVariant> arguments = message.arguments();
    if (message.member() == QLatin1String("SetOutputs")) {
        const uint mask = arguments.at(0).toUInt();
        if (const auto refusal = checkMask(mask))
            return errorOf(refusal);
        return answered(holder_.setOutputs(int(mask)));
    }
    const uint output = arguments.at(0).toUInt();
    if (const auto refusal = checkOutput(output))
        return errorOf(refusal);
    const QString word = arguments.at(1).toString();
    const std::optional<OutputState> state = outputState(word);
    if (!state)
        return errorOf(stateRefusal(word));
    return answered(holder_.switchOutput(int(output) - 1, *state));
}

bool CardBusService::handlePropertyCall(const QDBusMessage& message, const QDBusConnection& connection)
{
    const QString member = message.member();
    const QList<QVariant> arguments = message.arguments();
    const bool get = member == QLatin1String("Get");
    if (!get && member != QLatin1String("GetAll") && member != QLatin1String("Set"))
        return false;
    const bool set = member == QLatin1String("Set");
    if (wrongArguments(message, connection, get ? "ss" : set ? "ssv" : "s",
                       get ? "an interface and a property" : set ? "an interface, a property and a value" : "an interface"))
        return true;
    const QString interface = arguments.at(0).toString();
    if (interface != kInterface && !(member == QLatin1String("GetAll") && interface.isEmpty())) {
        refuse(message, connection, kUnknownInterface, QStringLiteral("there is no interface %1 here").arg(interface));
        return true;
    }
    const QVariantMap all = cardProperties(card_);
    if (member == QLatin1String("GetAll")) {
        answer(message, connection, message.createReply(all));
        return true;
    }
    const QString name = arguments.at(1).toString();
    if (!all.contains(name))
        refuse(message, connection, kUnknownProperty, QStringLiteral("%1 has no property %2").arg(kInterface, name));
    else if (set)
        refuse(message, connection, kPropertyReadOnly, QStringLiteral("%1 is read only").arg(name));
    else
        answer(message, connection, message.createReply(QVariant::fromValue(QDBusVariant(all.value(name)))));
    return true;
}

void CardBusService::claimReadings(const QString& caller, const QDBusConnection& connection)
{
    if (caller.isEmpty() || readingsClaims_.contains(caller) || !claimsWatcher_)
        return;
    readingsClaims_.insert(caller);
    claimsWatcher_->addWatchedService(caller);
    // A caller that left before its leaving was watched would never be seen to leave.
    if (!connection.interface()->isServiceRegistered(caller).value())
        releaseReadings(caller);
}

void CardBusService::releaseReadings(const QString& caller)
{
    if (readingsClaims_.remove(caller))
        claimsWatcher_->removeWatchedService(caller);
}

} // namespace card_bus
