#include "registry_problem.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString registryProblem(const QString& registryFile)
{
    const QString prefix = QStringLiteral("cannot write the registry %1: ").arg(registryFile);
    // The folders it lies in, made one by one so that the first refusal is the one told.
    const QString folder = QFileInfo(registryFile).absolutePath();
    QString made;
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        made += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0755) != 0 && errno != EEXIST)
            return prefix + QStringLiteral("cannot make %1: %2").arg(made, systemReason(errno));
    }
    // Opened as the registry would be, without leaving a new file behind.
    const QByteArray name = QFile::encodeName(registryFile);
    const bool existed = QFileInfo::exists(registryFile);
    const int fd = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | (existed ? 0 : O_CREAT | O_EXCL), 0644);
    if (fd < 0)
        return prefix + systemReason(errno);
    ::close(fd);
    if (!existed)
        ::unlink(name.constData());
    return prefix + QStringLiteral("it could not be read or written as a settings file");
}
