#include "gauge/gaugix_identity.h"
#include "gauge_reading.h"
#include "library_paths.h"
#include "platform/control_host.h"
#include "platform/library_exports.h"
#include "temporary_registry.h"

#include <QAccessible>
#include <QLocale>
#include <QPointF>
#include <QWidget>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <limits>

namespace {

using platform::createControl;

// Hosts the gauge the way the panel does: no registration, the library found beside the program.
class GaugeHost : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    static double volts(const platform::HostedControl& gauge) { return gaugeVolts(gauge.widget()); }
    static QString readout(const platform::HostedControl& gauge) { return gaugeReadout(gauge.widget()); }

    TemporaryRegistry emptyRegistry;
    QWidget frame;
};

TEST_F(GaugeHost, CreatesTheGaugeFromTheBuiltLibraryByItsProgrammaticName)
{
    QString error;
    auto gauge = createControl(QString::fromLatin1(gaugix::kProgId), &frame, &error);
    ASSERT_TRUE(gauge) << error.toStdString();
    EXPECT_EQ(gauge->libraryPath(), builtGaugeLibrary());
    ASSERT_TRUE(gauge->widget());
    EXPECT_EQ(gauge->widget()->parentWidget(), &frame);
    EXPECT_EQ(gauge->widget()->size(), QSize(162, 146));

    // Initialisation has run before the first write.
    EXPECT_NEAR(volts(*gauge), 0.0, 1e-9);
    EXPECT_EQ(readout(*gauge), QString());
}

TEST_F(GaugeHost, ValueIsWrittenByItsFixedIdentifierAndByName)
{
    auto gauge = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
    ASSERT_TRUE(gauge);

    ASSERT_EQ(gauge->putProperty(gaugix::kValueDispId, 2.5), platform::kOk);
    EXPECT_NEAR(volts(*gauge), 2.5, 1e-9);
    EXPECT_EQ(readout(*gauge), "2.50");

    std::int32_t dispId = 0;
    ASSERT_EQ(gauge->idOfName("value", &dispId), platform::kOk);
    EXPECT_EQ(dispId, gaugix::kValueDispId);
    ASSERT_EQ(gauge->putPropertyByName("Value", 5.0), platform::kOk);
    EXPECT_NEAR(volts(*gauge), 5.0, 1e-9);
    EXPECT_EQ(readout(*gauge), "5.00");

    double read = -1;
    ASSERT_EQ(gauge->getProperty(gaugix::kValueDispId, &read), platform::kOk);
    EXPECT_EQ(read, 0.0);
}

TEST_F(GaugeHost, BadDispatchCallsFailWithAStatusAndChangeNothing)
{
    auto gauge = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
    ASSERT_TRUE(gauge);
    gauge->putProperty(gaugix::kValueDispId, 1.0);

    std::int32_t dispId = 0;
    EXPECT_EQ(gauge->idOfName("needle", &dispId), platform::kUnknownName);
    EXPECT_EQ(gauge->putProperty(0x1234, 3.0), platform::kMemberNotFound);
    EXPECT_EQ(gauge->putPropertyByName("needle", 3.0), platform::kUnknownName);
    EXPECT_LT(gauge->putProperty(gaugix::kValueDispId, std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(readout(*gauge), "1.00");
}

TEST_F(GaugeHost, UnknownOrPathLikeNamesAreNotCreated)
{
    for (const char* name : {"nosuch.v_meter", "../bin/gaugix.v_meter", "gaugix.other_class"}) {
        QString error;
        EXPECT_FALSE(createControl(QString::fromLatin1(name), &frame, &error)) << name;
        EXPECT_TRUE(error.contains(QString::fromLatin1(name))) << error.toStdString();
    }
}

TEST_F(GaugeHost, LibraryStaysWhileAnyGaugeLivesAndIsUnloadedAfterTheLast)
{
    auto first = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
    auto second = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
    ASSERT_TRUE(first && second);

    // A handle of our own keeps the library mapped while we ask it whether it could go.
    const QByteArray path = builtGaugeLibrary().toLocal8Bit();
    void* probe = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_TRUE(probe);
    auto canUnloadNow = reinterpret_cast<platform::CanUnloadNowFn>(dlsym(probe, platform::kCanUnloadNowEntry));
    ASSERT_TRUE(canUnloadNow);

    first.reset();
    EXPECT_EQ(canUnloadNow(), platform::kFalse);
    EXPECT_EQ(second->putProperty(gaugix::kValueDispId, 4.0), platform::kOk);
    EXPECT_EQ(readout(*second), "4.00");
    second.reset();
    EXPECT_EQ(canUnloadNow(), platform::kOk);
    dlclose(probe);
    EXPECT_FALSE(dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD)) << "the library is still loaded";

    // A new gauge loads the library afresh and starts from its initial state.
    auto again = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
    ASSERT_TRUE(again);
    EXPECT_EQ(readout(*again), QString());
}

// The library's accessibility comes and goes with it: once unloaded, asking for any
// widget's accessible interface must not call into the library that is gone.
TEST_F(GaugeHost, AccessibilityComesWithTheLibraryAndLeavesWithIt)
{
    for (int load = 0; load < 2; ++load) {
        auto gauge = createControl(QString::fromLatin1(gaugix::kProgId), &frame);
        ASSERT_TRUE(gauge);
        EXPECT_EQ(gauge->putProperty(gaugix::kValueDispId, 3.3), platform::kOk);
        QAccessibleInterface* gaugeFace = QAccessible::queryAccessibleInterface(gauge->widget());
        ASSERT_TRUE(gaugeFace && gaugeFace->valueInterface());
        EXPECT_EQ(gaugeFace->role(), QAccessible::Dial);
        EXPECT_EQ(gaugeFace->valueInterface()->currentValue().toDouble(), 3.3);
        gauge.reset();
        ASSERT_FALSE(dlopen(builtGaugeLibrary().toLocal8Bit().constData(), RTLD_NOW | RTLD_NOLOAD));

        QWidget plain;
        QAccessibleInterface* plainFace = QAccessible::queryAccessibleInterface(&plain);
        ASSERT_TRUE(plainFace);
        EXPECT_EQ(plainFace->role(), QAccessible::Client);
    }
}

} // namespace
