#include "platform/library_locator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace platform {

namespace {

QString programDirectory()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

} // namespace

QStringList librariesBesideProgram(const QString& progId)
{
    // Only a plain library name may become part of a path.
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
    const QString name = progId.section(QLatin1Char('.'), 0, 0);
    if (!plainName.match(name).hasMatch())
        return {};
    const QString directory = programDirectory();
    if (directory.isEmpty() || !QDir::isAbsolutePath(directory))
        return {};

    const QString fileName = QStringLiteral("lib%1.so").arg(name);
    QStringList found;
    for (const QString& place : {directory, directory + QStringLiteral("/../lib/pelmora"),
                                 directory + QStringLiteral("/../lib")}) {
        const QFileInfo candidate(QDir::cleanPath(place + QLatin1Char('/') + fileName));
        if (candidate.isFile())
            found << candidate.absoluteFilePath();
    }
    return found;
}

} // namespace platform
