#include "service_process.h"

#include "card_and_panel_processes.h"

#include <QElapsedTimer>

ServiceProcess::ServiceProcess(const QStringList& arguments, const QString& state, const QProcessEnvironment& more,
                               const QStringList& wrapper)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_STATE_HOME", state);
    environment.remove("STATE_DIRECTORY");
    environment.remove("NOTIFY_SOCKET");
    environment.insert(more);
    process_.setProcessEnvironment(environment);
    const QString program = QStringLiteral(PELMORA_BIN_DIR "/pelmorad");
    if (wrapper.isEmpty())
        process_.start(program, arguments);
    else
        process_.start(wrapper.first(), wrapper.mid(1) + QStringList{program} + arguments);
    process_.waitForStarted(3000);
}

ServiceProcess::~ServiceProcess()
{
    endProcess(process_);
}

QString ServiceProcess::said()
{
    said_ += QString::fromLocal8Bit(process_.readAllStandardError());
    return said_;
}

bool ServiceProcess::waitToSay(const QString& text, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!said().contains(text) && clock.elapsed() < timeoutMs)
        runEventsFor(20);
    return said().contains(text);
}

int ServiceProcess::stop(int timeoutMs)
{
    process_.terminate();
    if (!process_.waitForFinished(timeoutMs) || process_.exitStatus() != QProcess::NormalExit)
        return -1;
    said();
    return process_.exitCode();
}
