#include "gauge/gaugix_identity.h"
#include "library_paths.h"
#include "platform/component_registry.h"
#include "temporary_registry.h"

#include <QProcess>
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

TEST(GaugixTool, RefusesWhatIsNotAComponentLibrary)
{
    TemporaryRegistry registry;
    EXPECT_EQ(runTool({"register", builtGaugeTool()}).exitCode, 1);
    EXPECT_EQ(runTool({"list", "/no/such/libgaugix.so"}).exitCode, 1);
    EXPECT_EQ(runTool({"frobnicate", builtGaugeLibrary()}).exitCode, 2);
}

} // namespace
