// pelmora-ctl: reads and drives the card through the program that holds it (a running panel,
// or the pelmorad service), over the session bus or the system bus.

#include "card1_proxy.h"
#include "card_follower.h"
#include "card_values.h"
#include "ctl_command.h"
#include "ctl_status.h"
#include "long_timeout.h"
#include "running_cards.h"

#include "card_bus/bus_address.h"
#include "card_bus/card_bus_names.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QJsonDocument>
#include <cstdio>

namespace {

int fail(int status, const QString& message)
{
    std::fprintf(stderr, "pelmora-ctl: %s\n", qPrintable(message));
    return status;
}

void printLine(const QString& line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
}

QString valuesLine(const QVariantMap& values, bool json, const QString& time = {})
{
    if (!json)
        return time.isEmpty() ? cardText(values) : time + QLatin1Char(' ') + cardText(values);
    QJsonObject object = cardJson(values);
    if (!time.isEmpty())
        object.insert(QStringLiteral("time"), time);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString now()
{
    const QDateTime local = QDateTime::currentDateTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODateWithMs);
}

// A call's error: the program that held the card has gone since it was found, or it refused.
int failedCall(const QDBusError& error, const QString& what)
{
    if (hasEnded(error))
        return fail(kNoPanel, QStringLiteral("the panel or service has ended"));
    return fail(kRefused, QStringLiteral("%1: %2").arg(what, error.message()));
}

int list(const FoundCards& found)
{
    if (found.cards.isEmpty())
        return fail(kNoPanel, chooseCard(found, {}, {}).error);
    for (const RunningCard& card : found.cards)
        printLine(cardLine(card));
    return kDone;
}

int get(const RunningCard& card, bool json)
{
    const QDBusReply<QVariantMap> values = readValues(card);
    if (!values.isValid())
        return failedCall(values.error(), QStringLiteral("the card's holder did not answer"));
    printLine(valuesLine(values.value(), json));
    return kDone;
}

int answer(QDBusPendingReply<> reply)
{
    reply.waitForFinished();
    if (!reply.isError())
        return kDone;
    // Nothing was switched: the card is not connected, and the reply says why.
    if (reply.error().name() == card_bus::kNotConnected)
        return fail(kNotConnected, reply.error().message());
    return failedCall(reply.error(), QStringLiteral("refused (%1)").arg(reply.error().name()));
}

QString stateWord(card_bus::OutputState state)
{
    switch (state) {
    case card_bus::OutputState::On:
        return QStringLiteral("on");
    case card_bus::OutputState::Off:
        return QStringLiteral("off");
    case card_bus::OutputState::Toggle:
        break;
    }
    return QStringLiteral("toggle");
}

// wait: until the input is as asked in a live reading (the card answering), or the time limit.
int waitForInput(CardFollower& follower, const CtlCommand& command)
{
    const bool wanted = command.state == card_bus::OutputState::On;
    const auto reached = [&] {
        return connected(follower.values()) && inputOn(follower.values(), command.output) == wanted;
    };
    if (reached())
        return kDone;
    QObject::connect(&follower, &CardFollower::changed, [&] {
        if (reached())
            QCoreApplication::exit(kDone);
    });
    LongTimeout timeout;
    if (command.timeoutSeconds >= 0) {
        QObject::connect(&timeout, &LongTimeout::expired, [&] {
            QCoreApplication::exit(fail(kTimedOut, QStringLiteral("input %1 did not turn %2 within %3 s")
                                                       .arg(command.output)
                                                       .arg(stateWord(command.state))
                                                       .arg(command.timeoutSeconds)));
        });
        timeout.start(std::chrono::milliseconds(qint64(command.timeoutSeconds * 1000)));
    }
    return QCoreApplication::exec();
}

// watch and wait: follow the card's signals until done.
int follow(const RunningCard& card, const CtlCommand& command)
{
    CardFollower follower(card);
    if (!follower.start(command.kind == CtlCommand::Kind::Watch))
        return failedCall(follower.error(), QStringLiteral("the card's holder did not answer"));
    QObject::connect(&follower, &CardFollower::panelEnded, [] {
        QCoreApplication::exit(fail(kNoPanel, QStringLiteral("the panel or service has ended")));
    });
    if (command.kind == CtlCommand::Kind::Wait)
        return waitForInput(follower, command);
    printLine(valuesLine(follower.values(), command.json, now()));
    QObject::connect(&follower, &CardFollower::changed, [&] {
        printLine(valuesLine(follower.values(), command.json, now()));
    });
    return QCoreApplication::exec();
}

// The cards on the user's session bus and on the system bus; `problem` says why neither
// bus could be reached, when that is so.
FoundCards findAll(QString& problem)
{
    FoundCards found;
    const struct {
        QString address;
        const char* bus;
        const char* connection;
    } buses[] = {{card_bus::sessionBusAddress(), "session", "pelmora-ctl"},
                 {card_bus::systemBusAddress(), "system", "pelmora-ctl-system"}};
    QStringList missing;
    for (const auto& bus : buses) {
        const QString name = QString::fromLatin1(bus.connection);
        if (bus.address.isEmpty() || !QDBusConnection::connectToBus(bus.address, name).isConnected()) {
            missing << QStringLiteral("no %1 bus").arg(QLatin1String(bus.bus));
            continue;
        }
        findCards(name, QString::fromLatin1(bus.bus), found);
    }
    if (missing.size() == 2)
        problem = QStringLiteral("there is %1 (DBUS_SESSION_BUS_ADDRESS is unset and the user's bus socket is "
                                 "missing; the system bus socket is missing)")
                      .arg(missing.join(QStringLiteral(" and ")));
    return found;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a line at a time, also into a pipe
    // A call that a bus refuses hands its error across Qt D-Bus's own thread in these types,
    // which Qt 6.4 does not register by itself: unregistered, each refusal also printed
    // "Trying to construct an instance of an invalid type".
    qRegisterMetaType<QDBusError>();
    qRegisterMetaType<QDBusMessage>();
    const ParsedCtlCommand parsed = parseCtlCommand(app.arguments());
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "pelmora-ctl: %s\nTry 'pelmora-ctl --help'.\n", qPrintable(parsed.error));
        return kUsage;
    }
    if (parsed.showHelp) {
        std::fputs(qPrintable(ctlUsage()), stdout);
        return kDone;
    }
    if (parsed.showVersion) {
        std::printf("pelmora-ctl %s\n", PELMORA_VERSION);
        return kDone;
    }
    const CtlCommand& command = parsed.command;

    QString noBus;
    const FoundCards found = findAll(noBus);
    if (!noBus.isEmpty())
        return fail(kNoPanel, QStringLiteral("no panel or service is running: %1").arg(noBus));
    if (command.kind == CtlCommand::Kind::List)
        return list(found);
    const CardChoice choice = chooseCard(found, command.device, command.name);
    if (!choice.error.isEmpty())
        return fail(choice.status, choice.error);

    IoGithubPelmoraCard1Interface card(choice.card.service, card_bus::kObjectPath, QDBusConnection(choice.card.connection));
    switch (command.kind) {
    case CtlCommand::Kind::Get:
        return get(choice.card, command.json);
    case CtlCommand::Kind::Set:
        return answer(card.SetOutput(uint(command.output), stateWord(command.state)));
    case CtlCommand::Kind::Mask:
        return answer(card.SetOutputs(uint(command.mask)));
    case CtlCommand::Kind::Heartbeat:
        return answer(card.Heartbeat());
    case CtlCommand::Kind::Watch:
    case CtlCommand::Kind::Wait:
    case CtlCommand::Kind::List:
        break;
    }
    return follow(choice.card, command);
}
