// gauge_host_check [FORM.ui]: the example window without a user, as CI runs it offscreen.
// Moving the slider to 2.50 V must show "2.50" on the first gauge and turn its needle.
// With a form file, the same form is also loaded through Qt's UI loader, which creates the
// gauges by class name from the gaugix Designer plugin (found on QT_PLUGIN_PATH), and its
// first gauge is written through the "value" property. What a gauge shows is read as a
// screen reader reads it. Exit status 0 when everything holds.
#include "gauge_window.h"

#include <gaugix/v_meter.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSlider>
#include <QUiLoader>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

QString readout(QWidget* gauge)
{
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(gauge);
    return shown ? shown->text(QAccessible::Value) : QString();
}

// Writes 2.5 V with `write` and reports what the gauge shows before and after.
bool check(const char* what, QWidget* gauge, const std::function<void()>& write)
{
    if (!gauge || !gauge->inherits("gaugix::v_meter")) {
        std::printf("%s: no gaugix::v_meter in the window\n", what);
        return false;
    }
    const QImage before = gauge->grab().toImage();
    const QString emptyReadout = readout(gauge);
    write();
    const QImage after = gauge->grab().toImage();
    const QString shown = readout(gauge);
    const bool turned = before != after;
    const bool ok = emptyReadout.isEmpty() && shown == QLatin1String("2.50") && turned
        && gauge->property("value").toDouble() == 0.0;
    std::printf("%s: readout \"%s\" (was \"%s\"), needle %s: %s\n", what, qPrintable(shown),
                qPrintable(emptyReadout), turned ? "turned" : "did not move", ok ? "ok" : "FAILED");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());  // "2.50" whatever the machine's language

    GaugeWindow window;
    window.show();
    bool ok = check("form compiled in", window.gauge1(), [&] { window.volts()->setValue(250); });

    if (argc > 1) {
        QUiLoader loader;
        QFile form(QString::fromLocal8Bit(argv[1]));
        std::unique_ptr<QWidget> loaded(form.open(QIODevice::ReadOnly) ? loader.load(&form) : nullptr);
        if (!loaded) {
            std::printf("form loaded at run time: cannot load %s: %s\n", argv[1], qPrintable(loader.errorString()));
            return 1;
        }
        loaded->show();
        auto* gauge = loaded->findChild<QWidget*>(QStringLiteral("gauge1"));
        ok = check("form loaded at run time", gauge, [&] { gauge->setProperty("value", 2.5); }) && ok;
    }
    return ok ? 0 : 1;
}
