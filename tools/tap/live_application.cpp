#include "live_application.h"

#include "platform/process/window_system_failure.h"

std::unique_ptr<QApplication> makeLiveApplication(int& argc, char** argv)
{
    std::unique_ptr<QApplication> app;
    {
        const platform::WindowSystemFailureExit noCoreDump([](const QString& reason) {
            return QStringLiteral("pelmora-tap: --live needs a display for its window (%1): run it in a graphical "
                                  "session, or under xvfb-run -a")
                .arg(reason);
        });
        app = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}
