#include "card_and_panel_processes.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <ctime>
#include <unistd.h>

VirtualCard::VirtualCard(const QStringList& options)
{
    process_.setProgram(QStringLiteral(PELMORA_BIN_DIR "/pelmora-virtual-card"));
    process_.setArguments(options);
    process_.start();
    if (process_.waitForStarted(3000) && process_.waitForReadyRead(3000))
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

VirtualCard::~VirtualCard()
{
    kill();
}

void VirtualCard::kill()
{
    endProcess(process_);
}

void endProcess(QProcess& process, int timeoutMs)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(timeoutMs);
    }
}

PanelUnderTest::PanelUnderTest(const QString& device, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PELMORA_COM1", device);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("PELMORA_REGISTRY", registry_.filePath("registry.ini"));
    process_.setProcessEnvironment(env);
    process_.start(QStringLiteral(PELMORA_BIN_DIR "/pelmora"), arguments);
    process_.waitForStarted(3000);
}

PanelUnderTest::~PanelUnderTest()
{
    endProcess(process_);
}

double processCpuSeconds(qint64 pid)
{
    // The process's CPU clock counts every thread to the nanosecond; the clock ticks in
    // /proc are the fallback where the kernel will not give that clock.
    clockid_t clock{};
    timespec used{};
    if (clock_getcpuclockid(static_cast<pid_t>(pid), &clock) == 0 && clock_gettime(clock, &used) == 0)
        return static_cast<double>(used.tv_sec) + static_cast<double>(used.tv_nsec) / 1e9;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // Fields after the command name, which ends with the last ')'.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

qint64 processResidentKib(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    // Files under /proc report size 0, so read it whole rather than test atEnd().
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QList<LoggedFrame> readFrameLog(const QString& path)
{
    QList<LoggedFrame> frames;
    QFile log(path);
    if (!log.open(QIODevice::ReadOnly))
        return frames;
    while (!log.atEnd()) {
        const QList<QByteArray> parts = log.readLine().trimmed().split(' ');
        if (parts.size() == 2)
            frames.push_back({parts[0].toLongLong(), parts[1].toInt()});
    }
    return frames;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QList<LoggedFrame> waitForFrames(const QString& log, int count, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QList<LoggedFrame> frames;
    while ((frames = readFrameLog(log)).size() < count && clock.elapsed() < timeoutMs)
        runEventsFor(50);
    return frames;
}
