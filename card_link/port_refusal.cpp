#include "port_refusal.h"

#include "port_map.h"

#include <QFileInfo>

#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace card_link {
namespace {

QString group_name(gid_t gid)
{
    if (const group* entry = ::getgrgid(gid))
        return QString::fromLocal8Bit(entry->gr_name);
    return QString::number(gid);
}

QString user_name()
{
    if (const passwd* entry = ::getpwuid(::getuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

bool access_denied(const QString& device)
{
    return ::access(device.toLocal8Bit().constData(), R_OK | W_OK) != 0 && (errno == EACCES || errno == EPERM);
}

} // namespace

PortRefusal diagnose_refusal(int number, const QString& device, QSerialPort::SerialPortError error,
                             const QString& reason)
{
    PortRefusal refusal;
    refusal.number = number;
    refusal.device = device;
    refusal.reason = reason;
    refusal.user = user_name();
    struct stat status {};
    const bool exists = !device.isEmpty() && ::stat(device.toLocal8Bit().constData(), &status) == 0;
    if (device.isEmpty()) {
        refusal.kind = PortRefusal::Kind::Absent;
    } else if (!exists || error == QSerialPort::DeviceNotFoundError) {
        refusal.kind = PortRefusal::Kind::Missing;
    } else if (access_denied(device) || reason == qt_error_string(EACCES) || reason == qt_error_string(EPERM)) {
        refusal.kind = PortRefusal::Kind::NotPermitted;
        refusal.group = group_name(status.st_gid);
        refusal.groupMayUse = (status.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    } else if (error == QSerialPort::PermissionError) {
        // Busy (another program set exclusive use) or locked by another program.
        refusal.kind = PortRefusal::Kind::Held;
    }
    return refusal;
}

QString refusal_line(const PortRefusal& refusal)
{
    const QString because = refusal.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(refusal.reason);
    switch (refusal.kind) {
    case PortRefusal::Kind::Absent:
        return QStringLiteral("Com%1: su questo computer non c'è una porta seriale numero %1 (e %2 non è impostata).")
            .arg(refusal.number)
            .arg(port_variable(refusal.number));
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
        return QStringLiteral("%1 è già in uso da parte di un altro programma: chiuderlo e riprovare%2.")
            .arg(refusal.device, because);
    case PortRefusal::Kind::Other:
        break;
    }
    return QStringLiteral("%1: impossibile aprire la porta%2.").arg(refusal.device, because);
}

} // namespace card_link
