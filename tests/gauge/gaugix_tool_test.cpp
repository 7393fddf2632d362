#include "gauge/gaugix_identity.h"
#include "library_paths.h"
#include "platform/component_registry.h"
#include "temporary_registry.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString output;
};

ToolRun runTool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(builtGaugeTool(), arguments);
    if (!tool.waitForFinished(10000))
        return {};
    return {tool.exitCode(), QString::fromLocal8Bit(tool.readAllStandardOutput() + tool.readAllStandardError())};
}

TEST(GaugixTool, ListsWhatTheLibraryOffers)
{
    const ToolRun run = runTool({"list", builtGaugeLibrary()});
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();
    for (const char* expected : {"\"gaugix.v_meter\"", "_v_meter", "__v_meter", "dispatch id 0x68030000: put get",
                                 "197009", "Apartment", "16 x 15, 16 colours", "locale 0x0409"})
        EXPECT_TRUE(run.output.contains(QLatin1String(expected))) << expected;
}

TEST(GaugixTool, RegistersAndUnregistersTheLibrary)
{
    TemporaryRegistry registry;
    ASSERT_EQ(runTool({"register", builtGaugeLibrary()}).exitCode, 0);
    const auto found = platform::findRegisteredClass(QString::fromLatin1(gaugix::kProgId));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->libraryPath, builtGaugeLibrary());

    ASSERT_EQ(runTool({"unregister", builtGaugeLibrary()}).exitCode, 0);
    EXPECT_FALSE(platform::findRegisteredClass(QString::fromLatin1(gaugix::kProgId)));
}

TEST(GaugixTool, RefusesWhatIsNotAComponentLibraryAndSaysWhy)
{
    TemporaryRegistry registry;
    EXPECT_EQ(runTool({"register", builtGaugeTool()}).exitCode, 1);
    const ToolRun missing = runTool({"list", "/no/such/libgaugix.so.1"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.output.contains("/no/such/libgaugix.so.1: no such file")) << missing.output.toStdString();
    EXPECT_TRUE(runTool({"list", "/tmp"}).output.contains("it is a directory"));
    const ToolRun unknown = runTool({"frobnicate", builtGaugeLibrary()});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.output.contains("Try 'gaugix-tool --help'.")) << unknown.output.toStdString();
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.startsWith("Usage: gaugix-tool register|unregister|list LIBRARY")) << help.output.toStdString();
    EXPECT_TRUE(runTool({"--version"}).output.startsWith("gaugix-tool 1."));
}

TEST(GaugixTool, UnregisteringWhatIsNotRegisteredSaysSoAndWritesNothing)
{
    TemporaryRegistry registry;
    const ToolRun run = runTool({"unregister", builtGaugeLibrary()});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("is not registered")) << run.output.toStdString();
    EXPECT_FALSE(QFileInfo::exists(registry.file()));
}

TEST(GaugixTool, ARegistrationWhoseLibraryIsGoneCanBeRemoved)
{
    TemporaryRegistry registry;
    QTemporaryDir place;
    const QString copy = place.filePath(QStringLiteral("libgaugix.so.1"));
    ASSERT_TRUE(QFile::copy(builtGaugeLibrary(), copy));
    ASSERT_EQ(runTool({"register", copy}).exitCode, 0);
    ASSERT_TRUE(QFile::remove(copy));

    const ToolRun run = runTool({"unregister", copy});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    EXPECT_FALSE(platform::findRegisteredClass(QString::fromLatin1(gaugix::kProgId)));
    EXPECT_TRUE(QSettings(registry.file(), QSettings::IniFormat).allKeys().isEmpty());
}

TEST(GaugixTool, ARegistryThatCannotBeWrittenIsNamedWithTheReason)
{
    const QByteArray saved = qgetenv("PELMORA_REGISTRY");
    qputenv("PELMORA_REGISTRY", "/proc/no-such-folder/registry.ini");
    const ToolRun run = runTool({"register", builtGaugeLibrary()});
    qputenv("PELMORA_REGISTRY", saved);
    EXPECT_EQ(run.exitCode, 1);
    // The system's reason follows, in the user's language.
    EXPECT_TRUE(run.output.contains("cannot write the registry /proc/no-such-folder/registry.ini: cannot make "
                                    "/proc/no-such-folder: "))
        << run.output.toStdString();
}

} // namespace
