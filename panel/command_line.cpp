#include "command_line.h"

#include "card_link/card_name.h"

#include "card_safety/given_safety.h"
#include "platform/process/given_settings.h"

#include <QCommandLineParser>

namespace panel {
namespace {

// Options that QApplication and its platform plugins take for themselves.
// (Qt's -name, X11's name of the program, is the card's --name here: Qt takes it too.)
const char* const kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowicon", "icon", "qwindowtitle", "title", "session", "style", "stylesheet",
    "display", "visual", "qmljsdebugger",
};
const char* const kQtFlags[] = {"reverse", "widgetcount", "testability", "dograb", "nograb"};

// The argument as the user typed it, for an option that QCommandLineParser names without dashes.
QString typedOption(const QStringList& arguments, const QString& name)
{
    for (const QString& argument : arguments.mid(1)) {
        QString bare = argument;
        while (bare.startsWith(QLatin1Char('-')))
            bare.remove(0, 1);
        if (bare.section(QLatin1Char('='), 0, 0) == name)
            return argument;
    }
    return QLatin1Char('-') + name;
}

void addOurOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(QStringLiteral("name"), QString(), QStringLiteral("NOME")));
    parser.addOption(QCommandLineOption(QStringLiteral("no-ha")));
    parser.addOption(QCommandLineOption(QStringLiteral("config"), QString(), QStringLiteral("FILE")));
    for (const QString& key : card_mqtt::mqttValueKeys())
        parser.addOption(QCommandLineOption(key, QString(), QStringLiteral("VALORE")));
}

// The safety keys of --config FILE, a file of the service's; its other keys are the
// service's own, and let be here.
QString readSafety(const QCommandLineParser& parser, CommandLine& line)
{
    if (!parser.isSet(QStringLiteral("config")))
        return {};
    GivenSettings given;
    QString error;
    if (!readSettingsFile(parser.value(QStringLiteral("config")), {}, given, error, [](const QString&) { return true; }))
        return error;
    return card_safety::settleSafety(given, line.safety);
}

// The card's name and the broker's settings; empty when they are good, else why not.
QString readCardOptions(const QCommandLineParser& parser, CommandLine& line)
{
    if (parser.isSet(QStringLiteral("name"))) {
        line.name = parser.value(QStringLiteral("name"));
        if (const QString problem = card_link::cardNameProblem(line.name, card_link::Language::Italian); !problem.isEmpty())
            return QStringLiteral("--name: %1").arg(problem);
    }
    line.mqtt.discovery = !parser.isSet(QStringLiteral("no-ha"));
    for (const QString& key : card_mqtt::mqttValueKeys()) {
        if (!parser.isSet(key))
            continue;
        const QString problem =
            card_mqtt::readMqttOption(key, parser.value(key), line.mqtt, card_link::Language::Italian);
        if (!problem.isEmpty())
            return QStringLiteral("--%1: %2").arg(key, problem);
    }
    return readSafety(parser, line);
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Qt's options are written with one dash: "-platform", not "-p -l -a ...".
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    addOurOptions(parser);
    for (const char* name : kQtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : kQtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine line;
    line.action = CommandLine::Action::Refused;
    if (!parser.parse(arguments)) {
        const QStringList unknown = parser.unknownOptionNames();
        line.error = unknown.isEmpty()
            ? QStringLiteral("riga di comando non valida (%1)").arg(parser.errorText())
            : QStringLiteral("opzione sconosciuta: %1").arg(typedOption(arguments, unknown.first()));
        return line;
    }
    if (parser.isSet(help)) {
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (parser.isSet(version)) {
        line.action = CommandLine::Action::Version;
        return line;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        line.error = QStringLiteral("si può indicare un solo dispositivo, non %1 (%2)")
                         .arg(positional.size())
                         .arg(positional.join(QLatin1Char(' ')));
        return line;
    }
    if (positional.size() == 1 && positional.first().isEmpty()) {
        line.error = QStringLiteral("il nome del dispositivo è vuoto");
        return line;
    }
    if (!(line.error = readCardOptions(parser, line)).isEmpty())
        return line;
    line.action = CommandLine::Action::Run;
    line.device = positional.value(0);
    return line;
}

QString usageText()
{
    return QStringLiteral(
        "Uso: pelmora [OPZIONE...] [DISPOSITIVO]\n"
        "Pannello di controllo della scheda di I/O seriale: otto uscite, otto ingressi e\n"
        "due ingressi analogici, letti dieci volte al secondo.\n"
        "\n"
        "  DISPOSITIVO    il dispositivo da aprire come Com1, per esempio /dev/ttyUSB0\n"
        "                 (come PELMORA_COM1; le porte Com2..Com4 restano quelle di\n"
        "                 PELMORA_COM2..PELMORA_COM4 o della macchina)\n"
        "  --name NOME    il nome della scheda sul bus e sul broker: lettere, cifre,\n"
        "                 - e _, al massimo 32 (di solito il nome del dispositivo)\n"
        "  --mqtt URL     offre la scheda anche su un broker MQTT:\n"
        "                 mqtt://[UTENTE@]HOST[:PORTA] o mqtts://... (TLS)\n"
        "  --mqtt-password-file FILE   la password del broker, la prima riga di FILE\n"
        "  --mqtt-ca FILE              TLS: questa autorità di certificazione\n"
        "  --mqtt-topic PREFISSO       i topic della scheda: PREFISSO/NOME/ (pelmora)\n"
        "  --ha-prefix PREFISSO        il prefisso di Home Assistant (homeassistant)\n"
        "  --ha-status-topic TOPIC     dove Home Assistant dice di essere partito\n"
        "                              (homeassistant/status)\n"
        "  --no-ha                     nessuna scoperta per Home Assistant\n"
        "  --mqtt-deadband VOLT        di quanto un ingresso analogico deve cambiare per\n"
        "                              essere pubblicato di nuovo (0.02)\n"
        "  --config FILE  le regole di sicurezza di un file di pelmorad (output-N-max-on,\n"
        "                 interlock, output-N-safe, safe-when-...): il pannello le rispetta\n"
        "  -h, --help     mostra questo aiuto ed esce\n"
        "      --version  mostra la versione ed esce\n"
        "\n"
        "Sono accettate anche le opzioni di Qt, per esempio -platform offscreen.\n"
        "Stato di uscita: 0 alla chiusura con Esci o con SIGTERM, SIGINT o SIGHUP;\n"
        "2 con una riga di comando non valida o senza uno schermo su cui aprire la finestra.\n"
        "Vedere man pelmora.\n");
}

} // namespace panel
