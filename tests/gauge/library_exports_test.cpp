#include "library_paths.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The symbols the library's dynamic table defines, demangled, as nm lists them.
QStringList definedDynamicSymbols()
{
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-DC"), QStringLiteral("--defined-only"), builtGaugeLibrary()});
    if (!nm.waitForFinished(10000) || nm.exitCode() != 0)
        return {};
    QStringList names;
    // "<address> <type> <name>", the name possibly with spaces once demangled.
    static const QRegularExpression row(QStringLiteral("^[0-9a-f]+ \\S (.+)$"));
    for (const QString& line : QString::fromLocal8Bit(nm.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (const auto match = row.match(line); match.hasMatch())
            names << match.captured(1);
    return names;
}

TEST(GaugeLibraryExports, EntryPointsAndThePublicClassOnly)
{
    const QStringList names = definedDynamicSymbols();
    ASSERT_FALSE(names.isEmpty()) << "nm found no symbols in " << builtGaugeLibrary().toStdString();
    const QStringList entryPoints{"DllRegisterServer", "DllUnregisterServer", "DllGetClassObject",
                                  "DllCanUnloadNow", "DllMain", "DllGetProjectDescriptor"};
    for (const QString& entry : entryPoints)
        EXPECT_TRUE(names.contains(entry)) << entry.toStdString();
    EXPECT_TRUE(names.contains(QLatin1String("gaugix::v_meter::setValue(double)")));
    EXPECT_TRUE(names.contains(QLatin1String("gaugix::v_meter::staticMetaObject")));

    // Everything else belongs to gaugix::v_meter: its members, vtable and type information.
    static const QRegularExpression publicClass(QStringLiteral(
        "^((vtable|typeinfo|typeinfo name) for gaugix::v_meter|(non-virtual thunk to )?gaugix::v_meter::.*)$"));
    for (const QString& name : names)
        EXPECT_TRUE(entryPoints.contains(name) || publicClass.match(name).hasMatch()) << name.toStdString();
}

} // namespace
