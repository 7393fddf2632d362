#include "port_refusal.h"

#include "port_map.h"

#include <QFileInfo>
#include <QLockFile>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace card_link {
namespace {

QString groupName(gid_t gid)
{
    if (const group* entry = ::getgrgid(gid))
        return QString::fromLocal8Bit(entry->gr_name);
    return QString::number(gid);
}

QString userName()
{
    if (const passwd* entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

// The system's reason when this user may not read and write the device, else empty.
QString accessDenied(const QString& device)
{
    if (::access(device.toLocal8Bit().constData(), R_OK | W_OK) == 0 || (errno != EACCES && errno != EPERM))
        return {};
    return qt_error_string(errno);
}

bool processAlive(qint64 pid)
{
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// A refusal without an error of the system's own: either another program's lock
// file or the kernel's exclusive use (busy).
void explainHolding(PortProblem& refusal)
{
    refusal.kind = PortProblem::Kind::Held;
    const QString path = lockFileFor(refusal.port);
    qint64 pid = 0;
    QString host, program;
    if (!QFileInfo::exists(path) || !QLockFile(path).getLockInfo(&pid, &host, &program))
        return;
    if (processAlive(pid)) {
        refusal.subject = program.isEmpty() ? QStringLiteral("pid %1").arg(pid)
                                           : QStringLiteral("%1, pid %2").arg(program).arg(pid);
    } else {
        refusal.kind = PortProblem::Kind::StaleLock;
        refusal.subject = QFileInfo(path).canonicalFilePath();
    }
}

} // namespace

QString lockFileFor(const QString& device)
{
    QString name = device;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    return QStringLiteral("/var/lock/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
}

PortProblem diagnoseRefusal(int number, const QString& device, QSerialPort::SerialPortError error,
                            const QString& reason)
{
    PortProblem refusal;
    refusal.kind = PortProblem::Kind::OpenFailed;
    refusal.number = number;
    refusal.port = device;
    refusal.reason = reason;
    refusal.user = userName();
    struct stat status {};
    const bool exists = !device.isEmpty() && ::stat(device.toLocal8Bit().constData(), &status) == 0;
    if (device.isEmpty()) {
        refusal.kind = PortProblem::Kind::Absent;
    } else if (!exists || error == QSerialPort::DeviceNotFoundError) {
        refusal.kind = PortProblem::Kind::Missing;
    } else if (const QString denied = accessDenied(device); !denied.isEmpty() || reason == qt_error_string(EACCES)) {
        refusal.kind = PortProblem::Kind::NotPermitted;
        if (!denied.isEmpty())
            refusal.reason = denied;
        refusal.group = groupName(status.st_gid);
        refusal.groupMayUse = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    } else if (error == QSerialPort::PermissionError) {
        explainHolding(refusal);
    }
    return refusal;
}

} // namespace card_link
