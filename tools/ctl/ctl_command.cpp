#include "ctl_command.h"

#include <QCommandLineParser>

namespace {

const QString kSynopsis = QStringLiteral(
    "Usage: pelmora-ctl [--name NAME | --device DEVICE] COMMAND\n"
    "Reads and drives the I/O card through the program that holds it: a running Pelmora\n"
    "panel (on the session bus) or the pelmorad service (on the session or the system bus).\n"
    "\n"
    "Commands:\n"
    "  get                      print every value on one line (--json: one JSON object)\n"
    "  set N on|off|toggle      switch output N (1 to 8) as its On / Off button does\n"
    "  mask MASK                set all eight outputs at once; output 1 is 0x80, output 8 is 0x01\n"
    "  watch                    print the values again at each change, until interrupted\n"
    "  wait input N on|off      wait until the card answers with input N on or off\n"
    "  list                     list the running panels and services, their cards and devices\n"
    "  heartbeat                say that a client is still there (holds off safe-when-silent)\n"
    "\n"
    "Options:\n"
    "  --name NAME              the card named NAME (its service's --name, or its device's file name)\n"
    "  --device DEVICE          the card on DEVICE (/dev/ttyUSB0, ttyUSB0 or rfc2217://pi:3001);\n"
    "                           --name or --device is needed only when several cards are held\n"
    "  --json                   get, watch: JSON, one object per line\n"
    "  --timeout SECONDS        wait: give up after SECONDS\n"
    "  -h, --help               show this help\n"
    "  --version                show the version\n"
    "\n"
    "Exit status: 0 done; 1 wait timed out; 2 usage error; 3 no panel or service running (or\n"
    "none with that name or device, or no bus); 4 the request was refused or not answered;\n"
    "5 set, mask: the card is not connected, and nothing was switched.\n");

// A number in decimal or, with 0x, in hexadecimal; nothing but digits.
bool parseWholeNumber(const QString& text, qint64& value)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && text.size() > 2)
        value = text.mid(2).toLongLong(&ok, 16);
    else
        value = text.toLongLong(&ok, 10);
    return ok && !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char(' '));
}

// The expected words after the command, or a usage error.
QString checkCount(const QStringList& words, int count, const QString& form)
{
    if (words.size() == count)
        return {};
    return words.size() < count ? QStringLiteral("%1 needs: %2").arg(words.first(), form)
                                : QStringLiteral("too many words for %1: %2").arg(words.first(), form);
}

QString parseOutput(const QString& text, const char* what, int& output)
{
    qint64 number = 0;
    if (!parseWholeNumber(text, number))
        return QStringLiteral("'%1' is not %2 number").arg(text, QLatin1String(what));
    if (const auto refusal = card_bus::checkOutput(number))
        return refusal->message;
    output = int(number);
    return {};
}

QString parseWords(const QStringList& words, CtlCommand& command)
{
    using Kind = CtlCommand::Kind;
    const QString& name = words.first();
    QString error;
    if (name == QLatin1String("get") || name == QLatin1String("watch") || name == QLatin1String("list")) {
        command.kind = name == QLatin1String("get") ? Kind::Get : name == QLatin1String("watch") ? Kind::Watch : Kind::List;
        return checkCount(words, 1, name);
    }
    if (name == QLatin1String("heartbeat")) {
        command.kind = Kind::Heartbeat;
        return checkCount(words, 1, name);
    }
    if (name == QLatin1String("set")) {
        command.kind = Kind::Set;
        if (!(error = checkCount(words, 3, QStringLiteral("set N on|off|toggle"))).isEmpty()
            || !(error = parseOutput(words[1], "an output", command.output)).isEmpty())
            return error;
        const auto state = card_bus::outputState(words[2]);
        if (!state)
            return card_bus::stateRefusal(words[2]).message;
        command.state = *state;
        return {};
    }
    if (name == QLatin1String("mask")) {
        command.kind = Kind::Mask;
        if (!(error = checkCount(words, 2, QStringLiteral("mask MASK"))).isEmpty())
            return error;
        qint64 mask = 0;
        if (!parseWholeNumber(words[1], mask) || mask < 0)
            return QStringLiteral("'%1' is not a mask: give a number such as 0x81 or 129").arg(words[1]);
        if (const auto refusal = card_bus::checkMask(mask))
            return refusal->message;
        command.mask = int(mask);
        return {};
    }
    if (name == QLatin1String("wait")) {
        command.kind = Kind::Wait;
        if (!(error = checkCount(words, 4, QStringLiteral("wait input N on|off"))).isEmpty())
            return error;
        if (words[1] != QLatin1String("input"))
            return QStringLiteral("wait can only wait for an input: wait input N on|off");
        if (!(error = parseOutput(words[2], "an input", command.output)).isEmpty())
            return error.replace(QLatin1String("output"), QLatin1String("input"));
        const auto state = card_bus::outputState(words[3]);
        if (!state || *state == card_bus::OutputState::Toggle)
            return QStringLiteral("'%1' is not a state to wait for: say on or off").arg(words[3]);
        command.state = *state;
        return {};
    }
    return QStringLiteral("unknown command '%1'").arg(name);
}

} // namespace

QString ctlUsage()
{
    return kSynopsis;
}

ParsedCtlCommand parseCtlCommand(const QStringList& arguments)
{
    ParsedCtlCommand parsed;
    QCommandLineParser parser;
    const QCommandLineOption json(QStringLiteral("json"));
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("DEVICE"));
    const QCommandLineOption name(QStringLiteral("name"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({json, device, name, timeout, help, version});
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    parsed.showHelp = parser.isSet(help);
    parsed.showVersion = parser.isSet(version);
    if (parsed.showHelp || parsed.showVersion)
        return parsed;

    CtlCommand& command = parsed.command;
    command.json = parser.isSet(json);
    command.device = parser.value(device);
    command.name = parser.value(name);
    if (parser.isSet(device) && command.device.isEmpty())
        parsed.error = QStringLiteral("--device needs a device name");
    if (parser.isSet(name) && command.name.isEmpty())
        parsed.error = QStringLiteral("--name needs a card's name");
    const QStringList words = parser.positionalArguments();
    if (parsed.error.isEmpty() && words.isEmpty())
        parsed.error = QStringLiteral("no command given");
    if (parsed.error.isEmpty())
        parsed.error = parseWords(words, command);
    if (parsed.error.isEmpty() && parser.isSet(timeout)) {
        bool ok = false;
        command.timeoutSeconds = parser.value(timeout).toDouble(&ok);
        if (!ok || command.timeoutSeconds < 0 || command.timeoutSeconds > 24 * 3600 * 365)
            parsed.error = QStringLiteral("--timeout: '%1' is not a number of seconds").arg(parser.value(timeout));
        else if (command.kind != CtlCommand::Kind::Wait)
            parsed.error = QStringLiteral("--timeout is for wait only");
    }
    using Kind = CtlCommand::Kind;
    if (parsed.error.isEmpty() && command.json && command.kind != Kind::Get && command.kind != Kind::Watch)
        parsed.error = QStringLiteral("--json is for get and watch only");
    return parsed;
}
