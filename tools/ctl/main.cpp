// pelmora-ctl: reads and drives the card through the running panel, over the session bus.

#include "card1_proxy.h"
#include "card_follower.h"
#include "card_values.h"
#include "ctl_command.h"
#include "ctl_status.h"
#include "running_panels.h"

#include "card_bus/card_bus_names.h"
#include "card_bus/session_bus.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>
#include <QTimer>
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

int list(const QList<RunningPanel>& panels)
{
    if (panels.isEmpty())
        return fail(kNoPanel, QStringLiteral("no panel is running (start pelmora first)"));
    for (const RunningPanel& panel : panels)
        printLine(QStringLiteral("%1 %2 %3").arg(panel.device.isEmpty() ? QStringLiteral("-") : panel.device,
                                                  panel.port, panel.service));
    return kDone;
}

int get(QDBusConnection& bus, const RunningPanel& panel, bool json)
{
    const QDBusReply<QVariantMap> values = readValues(bus, panel.service);
    if (!values.isValid())
        return fail(kRefused, QStringLiteral("the panel did not answer: %1").arg(values.error().message()));
    printLine(valuesLine(values.value(), json));
    return kDone;
}

int answer(QDBusPendingReply<> reply)
{
    reply.waitForFinished();
    if (reply.isError())
        return fail(kRefused, QStringLiteral("the panel refused: %1 (%2)").arg(reply.error().message(), reply.error().name()));
    return kDone;
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

// watch and wait: follow the panel's signals until done.
int follow(QDBusConnection& bus, const RunningPanel& panel, const CtlCommand& command)
{
    CardFollower follower(bus, panel.service);
    if (!follower.start(command.kind == CtlCommand::Kind::Watch))
        return fail(kRefused, QStringLiteral("the panel did not answer: %1").arg(follower.error()));
    QObject::connect(&follower, &CardFollower::panelEnded, [] {
        QCoreApplication::exit(fail(kNoPanel, QStringLiteral("the panel has ended")));
    });
    if (command.kind == CtlCommand::Kind::Watch) {
        printLine(valuesLine(follower.values(), command.json, now()));
        QObject::connect(&follower, &CardFollower::changed, [&] {
            printLine(valuesLine(follower.values(), command.json, now()));
        });
        return QCoreApplication::exec();
    }
    const bool wanted = command.state == card_bus::OutputState::On;
    if (inputOn(follower.values(), command.output) == wanted)
        return kDone;
    QObject::connect(&follower, &CardFollower::changed, [&] {
        if (inputOn(follower.values(), command.output) == wanted)
            QCoreApplication::exit(kDone);
    });
    QTimer timeout;
    if (command.timeoutSeconds >= 0) {
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, [&] {
            QCoreApplication::exit(fail(kTimedOut, QStringLiteral("input %1 did not turn %2 within %3 s")
                                                       .arg(command.output)
                                                       .arg(stateWord(command.state))
                                                       .arg(command.timeoutSeconds)));
        });
        timeout.start(std::chrono::milliseconds(qint64(command.timeoutSeconds * 1000)));
    }
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a line at a time, also into a pipe
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

    const QString address = card_bus::sessionBusAddress();
    if (address.isEmpty())
        return fail(kNoPanel, QStringLiteral("no panel is running: there is no session bus (DBUS_SESSION_BUS_ADDRESS "
                                             "is unset and the user's bus socket is missing)"));
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("pelmora-ctl"));
    if (!bus.isConnected())
        return fail(kNoPanel, QStringLiteral("no panel is running: the session bus cannot be reached (%1)")
                                  .arg(bus.lastError().message()));
    const QList<RunningPanel> panels = runningPanels(bus);
    if (command.kind == CtlCommand::Kind::List)
        return list(panels);
    const PanelChoice choice = choosePanel(panels, command.device);
    if (!choice.error.isEmpty())
        return fail(choice.status, choice.error);

    IoGithubPelmoraCard1Interface card(choice.panel.service, card_bus::kObjectPath, bus);
    switch (command.kind) {
    case CtlCommand::Kind::Get:
        return get(bus, choice.panel, command.json);
    case CtlCommand::Kind::Set:
        return answer(card.SetOutput(uint(command.output), stateWord(command.state)));
    case CtlCommand::Kind::Mask:
        return answer(card.SetOutputs(uint(command.mask)));
    case CtlCommand::Kind::Watch:
    case CtlCommand::Kind::Wait:
    case CtlCommand::Kind::List:
        break;
    }
    return follow(bus, choice.panel, command);
}
