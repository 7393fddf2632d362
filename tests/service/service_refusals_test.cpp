// What pelmorad refuses before it starts, saying where: a bad name, a configuration line
// it does not know or whose value is wrong; and what a configuration file gives it.
#include "service_options.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString configuration(const QTemporaryDir& folder, const QByteArray& lines)
{
    QFile file(folder.filePath("tank.conf"));
    file.open(QIODevice::WriteOnly);
    file.write(lines);
    return file.fileName();
}

ServiceCommandLine read(const QStringList& arguments)
{
    return readServiceCommandLine(QStringList{"pelmorad"} + arguments);
}

} // namespace

TEST(ServiceSettings, AreRefusedSayingWhereAndWhat)
{
    QTemporaryDir folder;
    struct Case {
        QStringList arguments;
        QByteArray file;
        const char* said;
    };
    const Case cases[] = {
        {{"--name", "tank 1"}, {}, "--name: 'tank 1' holds ' ': a name is made of letters, digits, '-' and '_'"},
        {{"--name", QString(33, 'x')}, {}, "is longer than 32 characters"},
        {{"--outputs-at-start", "on"}, {}, "--outputs-at-start: 'on' is neither off nor restore"},
        {{"--colour", "red"}, {}, "unknown option '--colour'"},
        {{"a", "b"}, {}, "one device at most"},
        {{"--config", "@"}, "# the tank\n\ndevice = /dev/ttyUSB0\nnmae = tank\n", "tank.conf:4: unknown key 'nmae'"},
        {{"--config", "@"}, "name = t/a\n", "tank.conf:1: 't/a' holds '/'"},
        {{"--config", "@"}, "system-bus = maybe\n", "tank.conf:1: 'maybe' is neither yes nor no"},
        {{"--config", "@"}, "device /dev/ttyUSB0\n", "tank.conf:1: not a 'key = value' line"},
        {{"--config", "/no/such.conf"}, {}, "cannot read /no/such.conf"},
        {{"--mqtt", "tcp://pi"}, {}, "--mqtt: 'tcp://pi' is not a broker's address"},
        {{"--mqtt", "mqtt://pi", "--mqtt-password-file", "/no/such/password"}, {}, "--mqtt-password-file: cannot read /no/such/password"},
        {{"--config", "@"}, "mqtt = mqtt://pi:99999\n", "tank.conf:1: 'mqtt://pi:99999': the port 99999 is not valid"},
        {{"--mqtt-forget"}, {}, "--mqtt-forget: which broker?"},
        // No port is polled unasked: with no adapter plugged in, Com1 is a built-in port.
        {{"--name", "tank"}, {}, "which device is the card on?"},
        {{"--config", "@"}, "# every line a comment, as in the example\n", "which device is the card on?"},
        {{"--mqtt", "mqtt://pi", "--mqtt-forget"}, {}, "--mqtt-forget: which card? Give --name"},
        {{"/dev/ttyUSB0", "--default-name", "tank.1"}, {}, "--default-name: 'tank.1' holds '.'"},
    };
    for (const Case& c : cases) {
        QStringList arguments = c.arguments;
        if (arguments.contains("@"))
            arguments.replace(arguments.indexOf("@"), configuration(folder, c.file));
        const ServiceCommandLine line = read(arguments);
        EXPECT_EQ(line.action, ServiceCommandLine::Action::Refused) << arguments.join(' ').toStdString();
        EXPECT_TRUE(line.error.contains(QString::fromUtf8(c.said))) << line.error.toStdString();
    }
    // As the program says it: one line, then where to look, and status 2.
    QProcess program;
    program.start(QStringLiteral(PELMORA_BIN_DIR "/pelmorad"), {"--name", "a.b"});
    ASSERT_TRUE(program.waitForFinished(5000));
    EXPECT_EQ(program.exitCode(), 2);
    EXPECT_EQ(program.readAllStandardError(),
              "pelmorad: --name: 'a.b' holds '.': a name is made of letters, digits, '-' and '_'\n"
              "Try 'pelmorad --help'.\n");
}

TEST(ServiceSettings, ComeFromTheFileAndTheCommandLineWins)
{
    QTemporaryDir folder;
    const QString file = configuration(folder, "device = /dev/ttyUSB1   # the pump's card\n"
                                               "name = pump\n"
                                               "outputs-at-start = restore\n"
                                               "system-bus = yes\n");
    ServiceCommandLine line = read({"--config", file});
    ASSERT_EQ(line.action, ServiceCommandLine::Action::Run) << line.error.toStdString();
    EXPECT_EQ(line.settings.device, "/dev/ttyUSB1");
    EXPECT_EQ(line.settings.name, "pump");
    EXPECT_EQ(line.settings.outputsAtStart, ServiceSettings::OutputsAtStart::Restore);
    EXPECT_TRUE(line.settings.systemBus);

    line = read({"--config", file, "--name", "tank", "/dev/ttyACM0", "--outputs-at-start", "off"});
    ASSERT_EQ(line.action, ServiceCommandLine::Action::Run) << line.error.toStdString();
    EXPECT_EQ(line.settings.device, "/dev/ttyACM0");
    EXPECT_EQ(line.settings.name, "tank");
    EXPECT_EQ(line.settings.outputsAtStart, ServiceSettings::OutputsAtStart::Off);

    // The unit's instance names the card unless a name is given, however bad the instance.
    EXPECT_EQ(read({"--config", file, "--default-name", "tank.1"}).settings.name, "pump");
    EXPECT_EQ(read({"/dev/ttyUSB0", "--default-name", "tank"}).settings.name, "tank");
    EXPECT_TRUE(read({"/dev/ttyUSB0"}).settings.name.isEmpty()) << "the device's file name, once it is resolved";

    EXPECT_EQ(read({"--help"}).action, ServiceCommandLine::Action::Help);
    EXPECT_EQ(read({"--version"}).action, ServiceCommandLine::Action::Version);
}
