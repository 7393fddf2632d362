#include "service_options.h"

#include "platform/process/given_settings.h"

#include "card_safety/given_safety.h"
#include "card_safety/safety_options.h"

#include "card_link/card_name.h"
#include "platform/process/option_parser.h"

#include <optional>
#include <string>
#include <vector>

namespace {

// The settings a configuration file may hold: the long options but --config, --help,
// --version, --mqtt-forget and --default-name (the file's own name is the setting there).
const QStringList kFileKeys = QStringList{QStringLiteral("device"), QStringLiteral("name"),
                                          QStringLiteral("outputs-at-start"), QStringLiteral("system-bus"),
                                          QStringLiteral("no-ha")}
    + card_mqtt::mqttValueKeys() + card_safety::safetyOptionKeys();

// The flags of the command line, each also a key of the file.
const char* const kFlags[] = {"system-bus", "no-ha"};

QList<QCommandLineOption> commandLineOptions()
{
    const auto valued = [](const char* name) {
        return QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("VALUE"));
    };
    QList<QCommandLineOption> options{QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                                      QCommandLineOption(QStringLiteral("version")),
                                      QCommandLineOption(QStringLiteral("mqtt-forget")),
                                      valued("config"), valued("name"), valued("default-name"),
                                      valued("outputs-at-start")};
    for (const char* flag : kFlags)
        options << QCommandLineOption(QString::fromLatin1(flag));
    for (const QString& key : card_mqtt::mqttValueKeys() + card_safety::safetyOptionKeys())
        options << QCommandLineOption(key, QString(), QStringLiteral("VALUE"));
    return options;
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
    QStringList valued = QStringList{QStringLiteral("name"), QStringLiteral("default-name"),
                                     QStringLiteral("outputs-at-start"), QStringLiteral("config")}
        + card_mqtt::mqttValueKeys() + card_safety::safetyOptionKeys();
    for (const QString& key : valued) {
        for (const std::string& value : line.values(key.toLatin1().constData()))
            given.insert(key, {QString::fromStdString(value), QStringLiteral("--%1").arg(key)});
    }
    for (const char* flag : kFlags) {
        if (line.isSet(flag))
            given.insert(QString::fromLatin1(flag), {QStringLiteral("yes"), QStringLiteral("--%1").arg(flag)});
    }
    const std::vector<std::string> positional = line.positional();
    if (positional.size() > 1) {
        error = QStringLiteral("one device at most, not %1").arg(positional.size());
        return false;
    }
    if (!positional.empty())
        given.insert(QStringLiteral("device"), {QString::fromStdString(positional.front()), QStringLiteral("DEVICE")});
    return true;
}

// The flags and the broker's settings from what was given; empty when they are good, else why not.
QString settleFlagsAndBroker(const GivenSettings& given, ServiceSettings& settings)
{
    for (const char* key : kFlags) {
        const GivenValue flag = given.value(QString::fromLatin1(key));
        const std::optional<bool> on = flagValue(flag.value);
        if (given.contains(QString::fromLatin1(key)) && !on)
            return QStringLiteral("%1: '%2' is neither yes nor no").arg(flag.where, flag.value);
        if (!on)
            continue;
        if (QLatin1String(key) == QLatin1String("no-ha"))
            settings.mqtt.discovery = !*on;
        else
            settings.systemBus = *on;
    }
    for (const QString& key : card_mqtt::mqttValueKeys()) {
        if (!given.contains(key))
            continue;
        const GivenValue option = given.value(key);
        const QString problem = card_mqtt::readMqttOption(key, option.value, settings.mqtt, card_link::Language::English);
        if (!problem.isEmpty())
            return QStringLiteral("%1: %2").arg(option.where, problem);
    }
    return {};
}

// The settings from what was given; empty when they are good, else why not.
QString settle(const GivenSettings& given, ServiceSettings& settings)
{
    const auto value = [&](const char* key) { return given.value(QString::fromLatin1(key)); };
    if (given.contains(QStringLiteral("device")) && value("device").value.isEmpty())
        return QStringLiteral("%1: the device's name is empty").arg(value("device").where);
    settings.device = value("device").value;
    // A name given wins over the default the unit passes (its instance); without either,
    // the device's file name is taken once the device is known.
    const QString nameKey = given.contains(QStringLiteral("name")) ? QStringLiteral("name") : QStringLiteral("default-name");
    if (given.contains(nameKey)) {
        const GivenValue name = given.value(nameKey);
        if (const QString problem = card_link::cardNameProblem(name.value); !problem.isEmpty())
            return QStringLiteral("%1: %2").arg(name.where, problem);
        settings.name = name.value;
    }
    const GivenValue outputs = value("outputs-at-start");
    if (given.contains(QStringLiteral("outputs-at-start"))) {
        if (outputs.value != QLatin1String("off") && outputs.value != QLatin1String("restore"))
            return QStringLiteral("%1: '%2' is neither off nor restore").arg(outputs.where, outputs.value);
        settings.outputsAtStart = outputs.value == QLatin1String("restore") ? ServiceSettings::OutputsAtStart::Restore
                                                                             : ServiceSettings::OutputsAtStart::Off;
    }
    if (const QString problem = card_safety::settleSafety(given, settings.safety); !problem.isEmpty())
        return problem;
    return settleFlagsAndBroker(given, settings);
}

// Empty when the settings say which card, and which broker to take it off; else what is missing.
// A service polls no port it was not given: with nothing plugged in, Com1 is a built-in
// serial port (on a Raspberry Pi, its console or Bluetooth).
QString whichCard(const ServiceSettings& settings)
{
    if (!settings.mqttForget && settings.device.isEmpty())
        return QStringLiteral("which device is the card on? Give it as DEVICE (/dev/ttyUSB0, or its name under "
                              "/dev/serial/by-id/) or as 'device = ...' in the configuration file");
    if (settings.mqttForget && !settings.mqtt.enabled)
        return QStringLiteral("--mqtt-forget: which broker? Give --mqtt URL as well");
    if (settings.mqttForget && settings.name.isEmpty() && settings.device.isEmpty())
        return QStringLiteral("--mqtt-forget: which card? Give --name NAME as well");
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
    if (fromLine.contains(QStringLiteral("config")) && !readSettingsFile(config.value, kFileKeys, given, read.error, &card_safety::isSafetyKey))
        return read;
    for (auto it = fromLine.cbegin(); it != fromLine.cend(); ++it)
        given.insert(it.key(), it.value());  // the command line wins
    read.error = settle(given, read.settings);
    read.settings.mqttForget = line.isSet("mqtt-forget");
    if (read.error.isEmpty())
        read.error = whichCard(read.settings);
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
        "  DEVICE                       the card's device (needed, here or in the file): a path\n"
        "                               (/dev/ttyUSB0), Com1 to Com4, rfc2217://HOST:PORT or\n"
        "                               socket://HOST:PORT\n"
        "  --name NAME                  the card's name on the bus: letters, digits, - and _,\n"
        "                               at most 32 (default: --default-name, else the device's\n"
        "                               file name)\n"
        "  --default-name NAME          the name when none is given (the unit passes its\n"
        "                               instance: pelmorad@tank is tank)\n"
        "  --config FILE                the same settings as 'key = value' lines (device = ...,\n"
        "                               name = ..., mqtt = ..., system-bus = yes); the command\n"
        "                               line wins\n"
        "  --outputs-at-start off|restore\n"
        "                               off: every output off at start (the default); restore:\n"
        "                               the outputs of the last run\n"
        "  --system-bus                 offer the card on the system bus, not the session bus\n"
        "  --mqtt URL                   also offer the card on an MQTT broker:\n"
        "                               mqtt://[USER@]HOST[:PORT] or mqtts://... (TLS)\n"
        "  --mqtt-password-file FILE    the broker's password, the first line of FILE\n"
        "  --mqtt-ca FILE               TLS: this certificate authority, not the system's\n"
        "  --mqtt-topic PREFIX          the card's topics under PREFIX/NAME/ (default: pelmora)\n"
        "  --ha-prefix PREFIX           Home Assistant's discovery prefix (default: homeassistant)\n"
        "  --ha-status-topic TOPIC      where Home Assistant says it started (homeassistant/status)\n"
        "  --no-ha                      send no Home Assistant discovery\n"
        "  --mqtt-deadband VOLTS        how far an analogue input moves before it is published\n"
        "                               again (default: 0.02)\n"
        "  --output-N-at-start off|on|restore\n"
        "                               output N (1 to 8) at start, whatever --outputs-at-start says\n"
        "  --output-N-max-on DURATION   switch output N off that long after its last ON\n"
        "                               (500ms, 10s, 5m, 2h), whatever switched it on\n"
        "  --interlock GROUPS           outputs never on together: '1,2 3,4'\n"
        "  --interlock-wait DURATION    how long the others are off before an ON (default: 0)\n"
        "  --output-N-safe off|on|keep  what the safe state does to output N (default: keep)\n"
        "  --safe-when-broker-lost DURATION, --safe-when-ha-offline DURATION,\n"
        "  --safe-when-silent DURATION  put the safe state on the card when the broker, Home\n"
        "                               Assistant or every client (no command, no heartbeat)\n"
        "                               has been gone that long\n"
        "  --safe-at-stop yes|no        send the safe state to the card at a clean stop\n"
        "  --mqtt-forget                take the card off the broker (its Home Assistant\n"
        "                               entities and its retained topics) and exit\n"
        "  -h, --help                   show this help and exit\n"
        "  --version                    show the version and exit\n"
        "\n"
        "Ends on SIGTERM or SIGINT with status 0; status 2 for a bad command line or\n"
        "configuration. See man pelmorad.\n");
}
