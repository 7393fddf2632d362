#include "service_options.h"

#include "given_settings.h"

#include "card_link/card_name.h"
#include "platform/process/option_parser.h"

#include <optional>
#include <string>
#include <vector>

namespace {

// The settings a configuration file may hold: the long options but --config, --help and --version.
const QStringList kFileKeys = {QStringLiteral("device"), QStringLiteral("name"), QStringLiteral("outputs-at-start"),
                               QStringLiteral("system-bus")};

QList<QCommandLineOption> commandLineOptions()
{
    const auto valued = [](const char* name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    };
    return {QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
            QCommandLineOption(QStringLiteral("version")), QCommandLineOption(QStringLiteral("system-bus")),
            valued("config"), valued("name"), valued("outputs-at-start")};
}

// What the command line gives, each with its option's name; false with `error`.
bool readArguments(const QStringList& arguments, OptionParser& line, GivenSettings& given, QString& error)
{
    std::vector<std::string> args;
    for (const QString& argument : arguments.mid(1))
        args.push_back(argument.toStdString());
    if (const std::string refused = line.parse(args); !refused.empty()) {
        error = QString::fromStdString(refused);
        return false;
    }
    for (const char* key : {"name", "outputs-at-start", "config"}) {
        for (const std::string& value : line.values(key))
            given.insert(QString::fromLatin1(key), {QString::fromStdString(value), QStringLiteral("--%1").arg(key)});
    }
    if (line.isSet("system-bus"))
        given.insert(QStringLiteral("system-bus"), {QStringLiteral("yes"), QStringLiteral("--system-bus")});
    const std::vector<std::string> positional = line.positional();
    if (positional.size() > 1) {
        error = QStringLiteral("one device at most, not %1").arg(positional.size());
        return false;
    }
    if (!positional.empty())
        given.insert(QStringLiteral("device"), {QString::fromStdString(positional.front()), QStringLiteral("DEVICE")});
    return true;
}

// The settings from what was given; empty when they are good, else why not.
QString settle(const GivenSettings& given, ServiceSettings& settings)
{
    const auto value = [&](const char* key) { return given.value(QString::fromLatin1(key)); };
    if (given.contains(QStringLiteral("device")) && value("device").value.isEmpty())
        return QStringLiteral("%1: the device's name is empty").arg(value("device").where);
    settings.device = value("device").value;
    if (given.contains(QStringLiteral("name"))) {
        if (const QString problem = card_link::cardNameProblem(value("name").value); !problem.isEmpty())
            return QStringLiteral("%1: %2").arg(value("name").where, problem);
        settings.name = value("name").value;
    }
    const GivenValue outputs = value("outputs-at-start");
    if (given.contains(QStringLiteral("outputs-at-start"))) {
        if (outputs.value != QLatin1String("off") && outputs.value != QLatin1String("restore"))
            return QStringLiteral("%1: '%2' is neither off nor restore").arg(outputs.where, outputs.value);
        settings.outputsAtStart = outputs.value == QLatin1String("restore") ? ServiceSettings::OutputsAtStart::Restore
                                                                             : ServiceSettings::OutputsAtStart::Off;
    }
    if (given.contains(QStringLiteral("system-bus"))) {
        const std::optional<bool> flag = flagValue(value("system-bus").value);
        if (!flag)
            return QStringLiteral("%1: '%2' is neither yes nor no").arg(value("system-bus").where, value("system-bus").value);
        settings.systemBus = *flag;
    }
    return {};
}

} // namespace

ServiceCommandLine readServiceCommandLine(const QStringList& arguments)
{
    ServiceCommandLine read;
    read.action = ServiceCommandLine::Action::Refused;
    OptionParser line(commandLineOptions());
    GivenSettings fromLine;
    if (!readArguments(arguments, line, fromLine, read.error))
        return read;
    if (line.isSet("help") || line.isSet("version")) {
        read.action = line.isSet("help") ? ServiceCommandLine::Action::Help : ServiceCommandLine::Action::Version;
        return read;
    }
    GivenSettings given;
    const GivenValue config = fromLine.value(QStringLiteral("config"));
    if (fromLine.contains(QStringLiteral("config")) && !readSettingsFile(config.value, kFileKeys, given, read.error))
        return read;
    for (auto it = fromLine.cbegin(); it != fromLine.cend(); ++it)
        given.insert(it.key(), it.value());  // the command line wins
    read.error = settle(given, read.settings);
    if (read.error.isEmpty())
        read.action = ServiceCommandLine::Action::Run;
    return read;
}

QString serviceUsage()
{
    return QStringLiteral(
        "Usage: pelmorad [OPTION...] [DEVICE]\n"
        "Holds the serial I/O card without a window: polls it ten times a second and offers it\n"
        "on the session bus (or the system bus), where pelmora-ctl and other programs reach it.\n"
        "\n"
        "  DEVICE                       the card's device: a path (/dev/ttyUSB0), Com1 to Com4,\n"
        "                               rfc2217://HOST:PORT or socket://HOST:PORT; without one,\n"
        "                               Com1 as the panel finds it (PELMORA_COM1 included)\n"
        "  --name NAME                  the card's name on the bus: letters, digits, - and _,\n"
        "                               at most 32 (default: the device's file name)\n"
        "  --config FILE                the same settings as 'key = value' lines (device = ...,\n"
        "                               name = ..., outputs-at-start = ..., system-bus = yes);\n"
        "                               the command line wins\n"
        "  --outputs-at-start off|restore\n"
        "                               off: every output off at start (the default); restore:\n"
        "                               the outputs of the last run\n"
        "  --system-bus                 offer the card on the system bus, not the session bus\n"
        "  -h, --help                   show this help and exit\n"
        "  --version                    show the version and exit\n"
        "\n"
        "Ends on SIGTERM or SIGINT with status 0; status 2 for a bad command line or\n"
        "configuration. See man pelmorad.\n");
}
