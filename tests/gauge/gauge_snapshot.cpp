// Renders the gauge, created from the built library, at 0, 2.5 and 5 V into PNG files for a
// look by eye: gauge_snapshot <output directory>.
#include "gauge/gaugix_identity.h"
#include "platform/control_host.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString directory = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QWidget frame;
    QString error;
    auto gauge = platform::createControl(QString::fromLatin1(gaugix::kProgId), &frame, &error);
    if (!gauge) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (const double volts : {0.0, 2.5, 5.0}) {
        gauge->putProperty(gaugix::kValueDispId, volts);
        const QString file = QStringLiteral("%1/gauge_%2V.png").arg(directory).arg(volts);
        if (!gauge->widget()->grab().save(file))
            return 1;
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
