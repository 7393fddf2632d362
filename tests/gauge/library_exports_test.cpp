#include "library_paths.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The symbols the library's dynamic table defines, as nm lists them.
QStringList definedDynamicSymbols()
{
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"), builtGaugeLibrary()});
    if (!nm.waitForFinished(10000) || nm.exitCode() != 0)
        return {};
    QStringList names;
    for (const QString& line : QString::fromLocal8Bit(nm.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() == 3 && fields[1] == QLatin1String("T"))
            names << fields[2];
    }
    return names;
}

TEST(GaugeLibraryExports, EntryPointsAreExportedAndNothingElse)
{
    const QStringList names = definedDynamicSymbols();
    ASSERT_FALSE(names.isEmpty()) << "nm found no symbols in " << builtGaugeLibrary().toStdString();
    for (const char* entry : {"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject", "DllCanUnloadNow",
                              "DllMain", "DllGetProjectDescriptor"})
        EXPECT_TRUE(names.contains(QLatin1String(entry))) << entry;
    // C linkage, and the control's own code stays hidden.
    EXPECT_EQ(names.filter(QStringLiteral("_Z")), QStringList());
}

} // namespace
