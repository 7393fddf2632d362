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
void explainHolding(PortRefusal& refusal)
{
    refusal.kind = PortRefusal::Kind::Held;
    const QString path = lockFileFor(refusal.device);
    qint64 pid = 0;
    QString host, program;
    if (!QFileInfo::exists(path) || !QLockFile(path).getLockInfo(&pid, &host, &program))
        return;
    if (processAlive(pid)) {
        refusal.holder = program.isEmpty() ? QStringLiteral("pid %1").arg(pid)
                                           : QStringLiteral("%1, pid %2").arg(program).arg(pid);
    } else {
        refusal.kind = PortRefusal::Kind::StaleLock;
        refusal.lockFile = QFileInfo(path).canonicalFilePath();
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

PortRefusal diagnoseRefusal(int number, const QString& device, QSerialPort::SerialPortError error,
                             const QString& reason)
{
    PortRefusal refusal;
    refusal.number = number;
    refusal.device = device;
    refusal.reason = reason;
    refusal.user = userName();
    struct stat status {};
    const bool exists = !device.isEmpty() && ::stat(device.toLocal8Bit().constData(), &status) == 0;
    if (device.isEmpty()) {
        refusal.kind = PortRefusal::Kind::Absent;
    } else if (!exists || error == QSerialPort::DeviceNotFoundError) {
        refusal.kind = PortRefusal::Kind::Missing;
    } else if (const QString denied = accessDenied(device); !denied.isEmpty() || reason == qt_error_string(EACCES)) {
        refusal.kind = PortRefusal::Kind::NotPermitted;
        if (!denied.isEmpty())
            refusal.reason = denied;
        refusal.group = groupName(status.st_gid);
        refusal.groupMayUse = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    } else if (error == QSerialPort::PermissionError) {
        explainHolding(refusal);
    }
    return refusal;
}

QString refusalText(const PortRefusal& refusal)
{
    const QString because = refusal.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(refusal.reason);
    switch (refusal.kind) {
    case PortRefusal::Kind::Absent:
        return QStringLiteral("Com%1: su questo computer non c'è una porta seriale numero %1 (e %2 non è impostata).")
            .arg(refusal.number)
            .arg(portVariable(refusal.number));
    case PortRefusal::Kind::Missing:
        return QStringLiteral("%1 non esiste: il dispositivo non è collegato o il nome è sbagliato%2.")
            .arg(refusal.device, because);
    case PortRefusal::Kind::NotPermitted:
        if (refusal.groupMayUse && refusal.group != QLatin1String("root"))
            return QStringLiteral("%1: accesso negato%2. Aggiungere l'utente %3 al gruppo %4 "
                                  "(sudo adduser %3 %4) e rientrare nella sessione.")
                .arg(refusal.device, because, refusal.user, refusal.group);
        return QStringLiteral("%1: accesso negato%2. Chiedere all'amministratore di concedere all'utente %3 "
                              "l'accesso al dispositivo.")
            .arg(refusal.device, because, refusal.user);
    case PortRefusal::Kind::Held:
        if (!refusal.holder.isEmpty())
            return QStringLiteral("%1 è già in uso da parte di un altro programma (%2): chiuderlo e riprovare.")
                .arg(refusal.device, refusal.holder);
        return QStringLiteral("%1 è già in uso da parte di un altro programma: chiuderlo e riprovare%2.")
            .arg(refusal.device, because);
    case PortRefusal::Kind::StaleLock:
        return QStringLiteral("%1 è bloccata dal file %2, rimasto da un programma che è terminato: "
                              "cancellarlo (sudo rm %2) e riprovare.")
            .arg(refusal.device, refusal.lockFile);
    case PortRefusal::Kind::Other:
        break;
    }
    return QStringLiteral("%1: impossibile aprire la porta%2.").arg(refusal.device, because);
}

} // namespace card_link
