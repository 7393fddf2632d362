#include "window_system_failure.h"

#include <QtGlobal>

#include <cstdio>
#include <unistd.h>

namespace platform {
namespace {

QtMessageHandler previousHandler = nullptr;
QString lastWarning;
std::function<QString(const QString&)> explanation;

void onMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
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
    std::fprintf(stderr, "%s\n", qPrintable(explanation(reason)));
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(2);
}

} // namespace

WindowSystemFailureExit::WindowSystemFailureExit(std::function<QString(const QString& reason)> explain)
{
    lastWarning.clear();
    explanation = std::move(explain);
    previousHandler = qInstallMessageHandler(onMessage);
}

WindowSystemFailureExit::~WindowSystemFailureExit()
{
    qInstallMessageHandler(previousHandler);
    explanation = nullptr;
}

} // namespace platform
