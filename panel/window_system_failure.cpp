#include "window_system_failure.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

namespace panel {
namespace {

QtMessageHandler previousHandler = nullptr;
QString lastWarning;

void on_message(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        if (type == QtWarningMsg || type == QtCriticalMsg)
            lastWarning = message;
        if (previousHandler)
            previousHandler(type, context, message);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
        return;
    }
    // Qt's own reason is the warning that came just before, "could not connect to
    // display :99"; without one, the first line of the fatal message says it.
    const QString reason = lastWarning.isEmpty() ? message.section(QLatin1Char('\n'), 0, 0) : lastWarning;
    std::fprintf(stderr,
                 "pelmora: nessuno schermo su cui aprire la finestra (%s). Avviare pelmora da una "
                 "sessione grafica, oppure con xvfb-run -a pelmora, oppure con pelmora -platform offscreen.\n",
                 qPrintable(reason));
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(2);
}

} // namespace

WindowSystemFailureExit::WindowSystemFailureExit()
{
    lastWarning.clear();
    previousHandler = qInstallMessageHandler(on_message);
}

WindowSystemFailureExit::~WindowSystemFailureExit()
{
    qInstallMessageHandler(previousHandler);
}

} // namespace panel
