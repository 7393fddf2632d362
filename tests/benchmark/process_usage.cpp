#include "process_usage.h"

#include <QDir>
#include <QFile>

namespace {

QByteArray readWhole(const QString& path)
{
    QFile file(path);
    // Files under /proc report size 0: read them whole rather than test atEnd().
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 statusField(const QByteArray& status, const char* name)
{
    for (const QByteArray& line : status.split('\n'))
        if (line.startsWith(name))
            return line.mid(qstrlen(name)).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

ProcessUsage processUsage(qint64 pid)
{
    ProcessUsage usage;
    const QString base = QStringLiteral("/proc/%1").arg(pid);
    const QByteArray status = readWhole(base + QStringLiteral("/status"));
    if (status.isEmpty())
        return usage;
    usage.residentKiB = statusField(status, "VmRSS:");
    for (const QString& task : QDir(base + QStringLiteral("/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = base + QStringLiteral("/task/") + task;
        const double seconds = readWhole(dir + QStringLiteral("/schedstat")).split(' ').value(0).toDouble() / 1e9;
        usage.cpuSeconds += seconds;
        if (readWhole(dir + QStringLiteral("/comm")).startsWith("QDBusConnection"))
            usage.busThreadSeconds += seconds;
        const QByteArray taskStatus = readWhole(dir + QStringLiteral("/status"));
        usage.voluntarySwitches += statusField(taskStatus, "voluntary_ctxt_switches:");
        usage.involuntarySwitches += statusField(taskStatus, "nonvoluntary_ctxt_switches:");
    }
    usage.valid = true;
    return usage;
}

ProcessUsage operator-(const ProcessUsage& after, const ProcessUsage& before)
{
    ProcessUsage used;
    used.cpuSeconds = after.cpuSeconds - before.cpuSeconds;
    used.busThreadSeconds = after.busThreadSeconds - before.busThreadSeconds;
    used.voluntarySwitches = after.voluntarySwitches - before.voluntarySwitches;
    used.involuntarySwitches = after.involuntarySwitches - before.involuntarySwitches;
    used.residentKiB = after.residentKiB;
    used.valid = after.valid && before.valid;
    return used;
}
