#include "gauge/gaugix_identity.h"
#include "library_paths.h"
#include "platform/component_registry.h"
#include "platform/control_host.h"
#include "platform/library_exports.h"
#include "temporary_registry.h"

#include <QFile>
#include <QLibrary>
#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QString id(const platform::Guid& guid)
{
    return QString::fromStdString(guid.toString());
}

// A copy of the built library in its own directory, registered from there, so the registry
// is what leads a host to it.
class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        copy = place.filePath(QStringLiteral("libgaugix.so"));
        ASSERT_TRUE(QFile::copy(builtGaugeLibrary(), copy));
        library.setFileName(copy);
        ASSERT_TRUE(library.load()) << library.errorString().toStdString();
        registerServer = reinterpret_cast<platform::RegisterServerFn>(library.resolve(platform::kRegisterServerEntry));
        unregisterServer =
            reinterpret_cast<platform::UnregisterServerFn>(library.resolve(platform::kUnregisterServerEntry));
        ASSERT_TRUE(registerServer && unregisterServer);
    }

    QSettings registry() const { return QSettings(temporary.file(), QSettings::IniFormat); }

    TemporaryRegistry temporary;
    QTemporaryDir place;
    QString copy;
    QLibrary library;
    platform::RegisterServerFn registerServer = nullptr;
    platform::UnregisterServerFn unregisterServer = nullptr;
};

TEST_F(Registration, RecordsTheClassItsInterfacesAndTypeLibrary)
{
    ASSERT_EQ(registerServer(), platform::kOk);
    const QSettings entries = registry();
    const QString classKey = QStringLiteral("CLSID/") + id(gaugix::kClassId);
    EXPECT_EQ(entries.value("ProgID/gaugix.v_meter/CLSID").toString(), id(gaugix::kClassId));
    EXPECT_EQ(entries.value(classKey + "/InprocServer").toString(), copy);
    EXPECT_EQ(entries.value(classKey + "/ThreadingModel").toString(), "Apartment");
    EXPECT_EQ(entries.value(classKey + "/MiscStatus").toInt(), 197009);
    EXPECT_EQ(entries.value(classKey + "/ToolboxBitmap").toString(), copy + ",30000");
    EXPECT_EQ(entries.value(classKey + "/TypeLib").toString(), id(gaugix::kLibraryId));
    EXPECT_EQ(entries.value("Interface/" + id(gaugix::kInterfaceId) + "/Name").toString(), "_v_meter");
    EXPECT_EQ(entries.value("Interface/" + id(gaugix::kEventInterfaceId) + "/Name").toString(), "__v_meter");
    EXPECT_EQ(entries.value("TypeLib/" + id(gaugix::kLibraryId) + "/1.0/409").toString(), copy);
}

TEST_F(Registration, HostsFindTheRegisteredLibraryByName)
{
    ASSERT_EQ(registerServer(), platform::kOk);
    const auto found = platform::findRegisteredClass(QString::fromLatin1(gaugix::kProgId));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->classId, gaugix::kClassId);

    QWidget frame;
    QString error;
    auto gauge = platform::createControl(QString::fromLatin1(gaugix::kProgId), &frame, &error);
    ASSERT_TRUE(gauge) << error.toStdString();
    EXPECT_EQ(gauge->libraryPath(), copy);
    EXPECT_EQ(gauge->putProperty(gaugix::kValueDispId, 2.5), platform::kOk);
}

TEST_F(Registration, UnregisteringRemovesExactlyWhatWasRecorded)
{
    {
        QSettings other = registry();
        other.setValue("CLSID/{00000000-0000-0000-0000-000000000001}/Name", "other");
        other.setValue("TypeLib/" + id(gaugix::kLibraryId) + "/2.0/Name", "a later gaugix");
    }
    ASSERT_EQ(registerServer(), platform::kOk);
    ASSERT_EQ(unregisterServer(), platform::kOk);

    QSettings entries = registry();
    EXPECT_EQ(entries.allKeys().size(), 2) << entries.allKeys().join(", ").toStdString();
    EXPECT_EQ(entries.value("CLSID/{00000000-0000-0000-0000-000000000001}/Name").toString(), "other");
    EXPECT_EQ(entries.value("TypeLib/" + id(gaugix::kLibraryId) + "/2.0/Name").toString(), "a later gaugix");
    EXPECT_FALSE(platform::findRegisteredClass(QString::fromLatin1(gaugix::kProgId)));
}

} // namespace
