#include "desktop_session.h"

#include <QDeadlineTimer>
#include <QStandardPaths>

namespace {

constexpr int kStartMs = 10000;
const QByteArray kManaging = "pelmora-desktop-managing";

void stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// Reads a process's standard output until it holds `wanted`, the process ends or time runs out.
bool waitForOutput(QProcess& process, const QByteArray& wanted, QByteArray& seen)
{
    const QDeadlineTimer deadline(kStartMs);
    while (!seen.contains(wanted)) {
        if (process.state() == QProcess::NotRunning || deadline.hasExpired())
            return false;
        process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
        seen += process.readAllStandardOutput();
    }
    return true;
}

} // namespace

DesktopSession::DesktopSession()
{
    if (!startServer() || !startWindowManager()) {
        stop(windowManager_);
        stop(server_);
    }
}

DesktopSession::~DesktopSession()
{
    stop(windowManager_);
    stop(server_);
}

bool DesktopSession::startServer()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (program.isEmpty()) {
        missing_ = true;
        error_ = QStringLiteral("Xvfb is not installed (scripts/install-deps.sh installs it)");
        return false;
    }
    // The server picks a free display and writes its number to standard output.
    server_.start(program, {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
    QByteArray number;
    if (!waitForOutput(server_, "\n", number)) {
        error_ = QStringLiteral("Xvfb did not start: %1").arg(QString::fromLocal8Bit(server_.readAllStandardError()));
        return false;
    }
    display_ = ':' + number.trimmed();
    return true;
}

bool DesktopSession::startWindowManager()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("openbox"));
    if (program.isEmpty()) {
        missing_ = true;
        error_ = QStringLiteral("openbox is not installed (scripts/install-deps.sh installs it)");
        return false;
    }
    // A home of its own, so the window manager runs on its stock settings; it runs the
    // start-up command once it manages the screen, which says when it is ready.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_));
    env.insert(QStringLiteral("HOME"), home_.path());
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    windowManager_.setProcessEnvironment(env);
    windowManager_.start(program, {"--sm-disable", "--startup", "echo " + QString::fromLatin1(kManaging)});
    QByteArray seen;
    if (!waitForOutput(windowManager_, kManaging, seen)) {
        error_ = QStringLiteral("openbox did not start on %1: %2")
                     .arg(QString::fromLatin1(display_), QString::fromLocal8Bit(windowManager_.readAllStandardError()));
        return false;
    }
    return true;
}
