#include "live_application.h"

#include <QString>

#include <cstdio>
#include <unistd.h>

namespace {

QString lastWarning;

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (type == QtWarningMsg || type == QtCriticalMsg)
            lastWarning = message;
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    const QString reason = lastWarning.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0) : lastWarning;
    std::fprintf(stderr,
                 "pelmora-tap: --live needs a display for its window (%s): run it in a graphical session, or "
                 "under xvfb-run -a\n",
                 qPrintable(reason));
    std::fflush(stderr);
    ::_exit(2);
}

} // namespace

std::unique_ptr<QApplication> makeLiveApplication(int& argc, char** argv)
{
    const QtMessageHandler previous = qInstallMessageHandler(onMessage);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setQuitOnLastWindowClosed(false);
    return app;
}
