#include "ctl_run.h"

#include "card_and_panel_processes.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

CtlRun runCtl(const QStringList& arguments, int timeoutMs, const QString& program)
{
    QProcess ctl;
    QEventLoop loop;
    QObject::connect(&ctl, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&ctl, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    ctl.start(program, arguments);
    loop.exec();
    CtlRun run;
    if (ctl.state() == QProcess::NotRunning && ctl.exitStatus() == QProcess::NormalExit)
        run.status = ctl.exitCode();
    endProcess(ctl);
    run.out = QString::fromLocal8Bit(ctl.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(ctl.readAllStandardError());
    return run;
}
