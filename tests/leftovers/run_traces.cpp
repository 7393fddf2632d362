#include "run_traces.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

const QString kLockFolder = QStringLiteral("/run/lock");

QByteArray readProc(qint64 pid, const char* name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "<pid>:<start time in clock ticks>", which stays the same for the process's life
// and tells it from a later one with the same pid.
QString processKey(qint64 pid)
{
    const QByteArray stat = readProc(pid, "stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? QStringLiteral("%1:%2").arg(pid).arg(QString::fromLatin1(fields[19])) : QString();
}

QList<qint64> runningPids()
{
    QList<qint64> pids;
    for (const QString& name : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = name.toLongLong(&number);
        if (number)
            pids << pid;
    }
    return pids;
}

bool alive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// A process of the run: it carries the run's TMPDIR, or runs a program from the
// build or from the run's folder (a program copied there for another user).
bool ofTheRun(qint64 pid, const RunMarks& marks)
{
    const QList<QByteArray> environment = readProc(pid, "environ").split('\0');
    if (environment.contains("TMPDIR=" + marks.temporaryFolder.toLocal8Bit()))
        return true;
    const QString program = QString::fromLocal8Bit(readProc(pid, "cmdline").split('\0').value(0));
    return program.startsWith(marks.programFolder + QLatin1Char('/'))
        || program.startsWith(marks.temporaryFolder + QLatin1Char('/'));
}

// The tests open pseudo-terminals and links in the run's folder, whose lock files
// are named after the device with '/' as '_': "LCK..pts_3", "LCK.._tmp_pelmora-tests-…".
bool deviceOfTheRun(const QString& lockName, const RunMarks& marks)
{
    QString folder = marks.temporaryFolder;
    return lockName.startsWith(QLatin1String("LCK..pts_"))
        || lockName.startsWith(QLatin1String("LCK..") + folder.replace(QLatin1Char('/'), QLatin1Char('_')));
}

QString describeProcess(qint64 pid)
{
    QByteArray command = readProc(pid, "cmdline");
    command.replace('\0', ' ');
    return QStringLiteral("process %1 still running: %2").arg(pid).arg(QString::fromLocal8Bit(command.trimmed()));
}

QStringList displayFiles()
{
    QStringList files;
    for (const QString& name : QDir(QStringLiteral("/tmp")).entryList({QStringLiteral(".X*-lock")}, QDir::Files | QDir::Hidden))
        files << QStringLiteral("/tmp/") + name;
    for (const QString& name : QDir(QStringLiteral("/tmp/.X11-unix")).entryList({QStringLiteral("X*")}, QDir::System | QDir::Files | QDir::Hidden))
        files << QStringLiteral("/tmp/.X11-unix/") + name;
    return files;
}

// The X server of display n, from its lock file in /tmp, 0 when none is known.
qint64 xServerOf(const QString& file)
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    const QString display = number.match(QFileInfo(file).fileName()).captured();
    QFile lock(QStringLiteral("/tmp/.X%1-lock").arg(display));
    return lock.open(QIODevice::ReadOnly) ? lock.readAll().trimmed().toLongLong() : 0;
}

// Whoever holds a lock file, from what the lock file says (QSerialPort writes its pid first).
qint64 lockHolder(const QString& path)
{
    qint64 pid = 0;
    QString host, program;
    if (QLockFile(path).getLockInfo(&pid, &host, &program))
        return pid;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readLine().trimmed().toLongLong() : 0;
}

} // namespace

Traces takeTraces()
{
    Traces traces;
    for (const QString& name : QDir(kLockFolder).entryList({QStringLiteral("LCK..*")}, QDir::Files | QDir::System))
        traces.lockFiles << name;
    for (qint64 pid : runningPids()) {
        const QString key = processKey(pid);
        if (!key.isEmpty())
            traces.processes << key;
    }
    for (const QString& file : displayFiles())
        traces.xFiles << file;
    return traces;
}

QStringList leftovers(const Traces& before, const RunMarks& marks)
{
    QStringList found;
    const qint64 self = ::getpid();
    for (qint64 pid : runningPids()) {
        const QString key = processKey(pid);
        if (pid != self && !key.isEmpty() && !before.processes.contains(key) && ofTheRun(pid, marks))
            found << describeProcess(pid);
    }
    // A lock file counts when the run's own program holds it, or when its holder
    // has ended and it is for a device of the kind the tests use; another user's
    // program, running or killed, on a port of its own is not the run's business.
    for (const QString& name : QDir(kLockFolder).entryList({QStringLiteral("LCK..*")}, QDir::Files | QDir::System)) {
        const QString path = kLockFolder + QLatin1Char('/') + name;
        const qint64 holder = lockHolder(path);
        const bool ours = alive(holder) ? ofTheRun(holder, marks) : deviceOfTheRun(name, marks);
        if (!before.lockFiles.contains(name) && ours)
            found << QStringLiteral("lock file %1 (pid %2)").arg(path).arg(holder);
    }
    for (const QString& file : displayFiles()) {
        const qint64 server = xServerOf(file);
        if (!before.xFiles.contains(file) && (!alive(server) || ofTheRun(server, marks)))
            found << QStringLiteral("X server file %1").arg(file);
    }
    // Qt makes itself a runtime folder there when XDG_RUNTIME_DIR is not set.
    QDirIterator entries(marks.temporaryFolder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        if (!(entry.isDir() && entry.fileName().startsWith(QLatin1String("runtime-"))))
            found << QStringLiteral("temporary %1 %2").arg(entry.isDir() ? "folder" : "file", entry.filePath());
    }
    return found;
}

QByteArray toText(const Traces& traces)
{
    QByteArray text;
    for (const QString& name : traces.lockFiles)
        text += "lock " + name.toLocal8Bit() + '\n';
    for (const QString& key : traces.processes)
        text += "process " + key.toLocal8Bit() + '\n';
    for (const QString& file : traces.xFiles)
        text += "x " + file.toLocal8Bit() + '\n';
    return text;
}

Traces fromText(const QByteArray& text)
{
    Traces traces;
    for (const QByteArray& line : text.split('\n')) {
        const QString value = QString::fromLocal8Bit(line.mid(line.indexOf(' ') + 1));
        if (line.startsWith("lock "))
            traces.lockFiles << value;
        else if (line.startsWith("process "))
            traces.processes << value;
        else if (line.startsWith("x "))
            traces.xFiles << value;
    }
    return traces;
}
