#include "library_locator.h"

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

    const QString fileName = QStringLiteral("lib%1.so.%2").arg(name).arg(kComponentLibraryVersion);
    QStringList places{directory};
#ifdef PELMORA_INSTALL_LIBDIR
    // Where the install step puts libraries when that is not plain lib/ (e.g. a multiarch dir).
    places << directory + QStringLiteral("/../" PELMORA_INSTALL_LIBDIR);
#endif
    places << directory + QStringLiteral("/../lib");
    places.removeDuplicates();
    QStringList found;
    for (const QString& place : places) {
        const QFileInfo candidate(QDir::cleanPath(place + QLatin1Char('/') + fileName));
        if (candidate.isFile())
            found << candidate.absoluteFilePath();
    }
    return found;
}

} // namespace platform
