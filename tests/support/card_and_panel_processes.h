#pragma once
// Starts the built virtual card and the built panel as separate processes, the
// way a user runs them, for end-to-end tests.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// The virtual card; device() is the path it printed, empty if it did not start.
class VirtualCard {
public:
    explicit VirtualCard(const QStringList& options);
    ~VirtualCard();
    QString device() const { return device_; }
    qint64 pid() const { return process_.processId(); }
    // Ends it with SIGTERM: its device goes away, and its link with it.
    void kill();

private:
    QProcess process_;
    QString device_;
};

// The pelmora program on the offscreen platform with COM1 naming `device` and a
// registry of its own, ended with SIGTERM when this goes.
class PanelUnderTest {
public:
    explicit PanelUnderTest(const QString& device, const QStringList& arguments = {});
    ~PanelUnderTest();
    QProcess& process() { return process_; }
    qint64 pid() const { return process_.processId(); }

private:
    QTemporaryDir registry_;
    QProcess process_;
};

// Ends a program the way a user's session does, with SIGTERM, and waits for it; only
// one that does not end within timeoutMs is killed, which would leave its lock file.
void endProcess(QProcess& process, int timeoutMs = 3000);

// User plus system CPU seconds used so far by a running process.
double processCpuSeconds(qint64 pid);

// Resident memory of a running process in KiB (VmRSS), -1 when unknown.
qint64 processResidentKib(qint64 pid);

// Frames the card logged as "<monotonic us> <mask>" lines.
struct LoggedFrame {
    qint64 micros;
    int mask;
};
QList<LoggedFrame> readFrameLog(const QString& path);

// Runs the event loop for ms milliseconds.
void runEventsFor(int ms);

// Runs the event loop until the card has logged `count` requests, or for at most
// timeoutMs; returns what the log holds then.
QList<LoggedFrame> waitForFrames(const QString& log, int count, int timeoutMs);
