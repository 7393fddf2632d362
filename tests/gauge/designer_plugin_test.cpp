// The gauge for programs that load forms with Qt's UI loader, through the Designer plugin.
#include "gauge/toolbox_picture.h"
#include "gauge_reading.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QPluginLoader>
#include <QUiLoader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

#include <limits>
#include <memory>

namespace {

const QString kPluginDirectory = QStringLiteral(PELMORA_DESIGNER_PLUGIN_DIR);

TEST(DesignerPlugin, OffersTheGaugeUnderGaugixWithTheToolboxPictureAndItsHeader)
{
    QPluginLoader plugin(kPluginDirectory + QStringLiteral("/libgaugix_designer.so"));
    auto* gauge = qobject_cast<QDesignerCustomWidgetInterface*>(plugin.instance());
    ASSERT_TRUE(gauge) << plugin.errorString().toStdString();
    EXPECT_EQ(gauge->name(), "gaugix::v_meter");
    EXPECT_EQ(gauge->group(), "gaugix");
    EXPECT_EQ(gauge->includeFile(), "gaugix/v_meter.h");
    EXPECT_FALSE(gauge->isContainer());
    EXPECT_FALSE(gauge->toolTip().isEmpty());
    EXPECT_FALSE(gauge->whatsThis().isEmpty());
    EXPECT_TRUE(gauge->domXml().contains(QLatin1String("class=\"gaugix::v_meter\"")));
    const QImage toolbox = QPixmap(gaugix::kToolboxPicture).toImage();
    EXPECT_EQ(gauge->icon().pixmap(toolbox.size()).toImage().convertToFormat(toolbox.format()), toolbox);
}

TEST(UiLoader, CreatesTheGaugeByClassNameAndWritesItsValueProperty)
{
    QLocale::setDefault(QLocale::c());
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(kPluginDirectory);
    EXPECT_TRUE(loader.availableWidgets().contains(QStringLiteral("gaugix::v_meter")));
    QFile form(QStringLiteral(PELMORA_EXAMPLE_FORM));
    ASSERT_TRUE(form.open(QIODevice::ReadOnly));
    std::unique_ptr<QWidget> window(loader.load(&form));
    ASSERT_TRUE(window) << loader.errorString().toStdString();
    QWidget* gauge = window->findChild<QWidget*>(QStringLiteral("gauge1"));
    ASSERT_TRUE(gauge);
    EXPECT_STREQ(gauge->metaObject()->className(), "gaugix::v_meter");
    window->show();

    const QImage fresh = gauge->grab().toImage();
    EXPECT_EQ(gaugeReadout(gauge), QString());
    EXPECT_TRUE(gauge->setProperty("value", 2.5));
    EXPECT_EQ(gaugeReadout(gauge), "2.50");
    EXPECT_DOUBLE_EQ(gaugeVolts(gauge), 2.5);
    const QImage turned = gauge->grab().toImage();
    EXPECT_NE(turned, fresh);

    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        gauge->setProperty("value", bad);
        EXPECT_EQ(gaugeReadout(gauge), "2.50");
        EXPECT_EQ(gauge->grab().toImage(), turned);
    }
    EXPECT_EQ(gauge->property("value").toDouble(), 0.0);
    QLocale::setDefault(QLocale::system());
}

TEST(UiLoader, AValueInTheFormIsWrittenWhenTheFormLoads)
{
    QLocale::setDefault(QLocale::c());
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(kPluginDirectory);
    QByteArray form(R"(<ui version="4.0"><widget class="QWidget" name="window">
        <widget class="gaugix::v_meter" name="gauge"><property name="value"><double>1.5</double></property></widget>
        </widget></ui>)");
    QBuffer buffer(&form);
    std::unique_ptr<QWidget> window(loader.load(&buffer));
    ASSERT_TRUE(window) << loader.errorString().toStdString();
    EXPECT_EQ(gaugeReadout(window->findChild<QWidget*>(QStringLiteral("gauge"))), "1.50");
    QLocale::setDefault(QLocale::system());
}

} // namespace
