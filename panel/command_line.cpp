#include "command_line.h"

#include <QCommandLineParser>

namespace panel {
namespace {

// Options that QApplication and its platform plugins take for themselves.
const char* const kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowicon", "icon", "qwindowtitle", "title", "session", "style", "stylesheet",
    "display", "name", "visual", "qmljsdebugger",
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
        "  -h, --help     mostra questo aiuto ed esce\n"
        "      --version  mostra la versione ed esce\n"
        "\n"
        "Sono accettate anche le opzioni di Qt, per esempio -platform offscreen.\n"
        "Stato di uscita: 0 alla chiusura con Esci o con SIGTERM, SIGINT o SIGHUP;\n"
        "2 con una riga di comando non valida o senza uno schermo su cui aprire la finestra.\n"
        "Vedere man pelmora.\n");
}

} // namespace panel
