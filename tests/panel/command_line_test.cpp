#include "panel/command_line.h"

#include <gtest/gtest.h>

using panel::CommandLine;
using panel::parseCommandLine;

namespace {

CommandLine parse(const QStringList& arguments)
{
    return parseCommandLine(QStringList{"pelmora"} + arguments);
}

} // namespace

TEST(CommandLine, HelpVersionAndADeviceForComOne)
{
    EXPECT_EQ(parse({}).action, CommandLine::Action::Run);
    EXPECT_TRUE(parse({}).device.isEmpty());
    for (const char* help : {"--help", "-h"})
        EXPECT_EQ(parse({help}).action, CommandLine::Action::Help) << help;
    EXPECT_EQ(parse({"--version"}).action, CommandLine::Action::Version);
    EXPECT_EQ(parse({"/dev/ttyUSB0", "--help"}).action, CommandLine::Action::Help);
    const CommandLine device = parse({"/dev/ttyUSB0"});
    EXPECT_EQ(device.action, CommandLine::Action::Run);
    EXPECT_EQ(device.device, "/dev/ttyUSB0");
}

TEST(CommandLine, QtsOwnOptionsAreLetThrough)
{
    const CommandLine line = parse({"-platform", "offscreen", "-style=Fusion", "-reverse", "--display", ":1",
                                    "-qwindowgeometry", "10x10", "/dev/pts/4"});
    EXPECT_EQ(line.action, CommandLine::Action::Run) << line.error.toStdString();
    EXPECT_EQ(line.device, "/dev/pts/4");
}

TEST(CommandLine, RefusesWhatItDoesNotKnowSayingWhat)
{
    const CommandLine unknown = parse({"--frobnicate"});
    EXPECT_EQ(unknown.action, CommandLine::Action::Refused);
    EXPECT_EQ(unknown.error, "opzione sconosciuta: --frobnicate");
    EXPECT_EQ(parse({"-x"}).error, "opzione sconosciuta: -x");
    EXPECT_EQ(parse({"-platform"}).action, CommandLine::Action::Refused) << "a Qt option without its value";
    const CommandLine two = parse({"/dev/ttyUSB0", "/dev/ttyUSB1"});
    EXPECT_EQ(two.action, CommandLine::Action::Refused);
    EXPECT_TRUE(two.error.contains("/dev/ttyUSB1")) << two.error.toStdString();
    EXPECT_EQ(parse({""}).action, CommandLine::Action::Refused);
}

TEST(CommandLine, TheCardsNameAndTheBrokerAreReadOrRefusedInItalian)
{
    const CommandLine line = parse({"--name", "bench", "--mqtt", "mqtts://ha@broker.lan", "--no-ha", "/dev/ttyUSB0"});
    ASSERT_EQ(line.action, CommandLine::Action::Run) << line.error.toStdString();
    EXPECT_EQ(line.name, "bench");
    EXPECT_TRUE(line.mqtt.enabled && line.mqtt.tls);
    EXPECT_EQ(line.mqtt.port, 8883);
    EXPECT_FALSE(line.mqtt.discovery);
    EXPECT_EQ(parse({"--name", "a b"}).error, "--name: 'a b' contiene ' ': un nome è fatto di lettere, cifre, '-' e '_'");
    EXPECT_TRUE(parse({"--mqtt", "pi"}).error.startsWith("--mqtt: 'pi' non è un indirizzo del broker"));
}
