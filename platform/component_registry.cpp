#include "platform/component_registry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {

QString text(const Guid& id)
{
    return QString::fromStdString(id.toString());
}

QString typeLibraryVersion(const TypeLibraryEntry& library)
{
    return QStringLiteral("%1.%2").arg(library.majorVersion).arg(library.minorVersion);
}

QString classKey(const ClassEntry& entry)
{
    return QStringLiteral("CLSID/") + text(entry.id);
}

QString progIdKey(const QString& progId)
{
    return QStringLiteral("ProgID/") + progId;
}

Status finish(QSettings& settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError ? kOk : kRegistryFailed;
}

void writeInterface(QSettings& settings, const InterfaceEntry& face, const TypeLibraryEntry& library)
{
    settings.beginGroup(QStringLiteral("Interface/") + text(face.id));
    settings.setValue(QStringLiteral("Name"), QString::fromLatin1(face.name));
    settings.setValue(QStringLiteral("TypeLib"), text(library.id));
    settings.setValue(QStringLiteral("Version"), typeLibraryVersion(library));
    settings.endGroup();
}

} // namespace

QString registryFile()
{
    const QString chosen = qEnvironmentVariable("PELMORA_REGISTRY");
    if (!chosen.isEmpty())
        return QFileInfo(chosen).absoluteFilePath();
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/pelmora/registry.ini");
}

std::optional<ClassRegistration> findRegisteredClass(const QString& progId)
{
    const QString file = registryFile();
    if (!QFileInfo::exists(file))
        return std::nullopt;
    QSettings settings(file, QSettings::IniFormat);
    const auto classId =
        Guid::fromString(settings.value(progIdKey(progId) + QStringLiteral("/CLSID")).toString().toStdString());
    if (!classId)
        return std::nullopt;
    const QString path = settings.value(QStringLiteral("CLSID/") + text(*classId) + QStringLiteral("/InprocServer")).toString();
    if (path.isEmpty())
        return std::nullopt;
    return ClassRegistration{*classId, progId, path};
}

Status writeRegistration(const ProjectDescriptor& project, const QString& libraryPath)
{
    const QString file = registryFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings settings(file, QSettings::IniFormat);
    const ClassEntry& entry = project.control;
    const TypeLibraryEntry& library = project.typeLibrary;

    settings.setValue(progIdKey(QString::fromLatin1(entry.progId)) + QStringLiteral("/CLSID"), text(entry.id));

    settings.beginGroup(classKey(entry));
    settings.setValue(QStringLiteral("Name"), QString::fromLatin1(entry.name));
    settings.setValue(QStringLiteral("ProgID"), QString::fromLatin1(entry.progId));
    settings.setValue(QStringLiteral("InprocServer"), libraryPath);
    settings.setValue(QStringLiteral("ThreadingModel"), QString::fromLatin1(entry.threadingModel));
    settings.setValue(QStringLiteral("MiscStatus"), entry.miscStatus);
    settings.setValue(QStringLiteral("Control"), entry.isControl);
    settings.setValue(QStringLiteral("ToolboxBitmap"),
                      QStringLiteral("%1,%2").arg(libraryPath).arg(entry.toolboxPicture.resourceId));
    settings.setValue(QStringLiteral("TypeLib"), text(library.id));
    settings.setValue(QStringLiteral("Version"), typeLibraryVersion(library));
    settings.endGroup();

    writeInterface(settings, *entry.defaultInterface, library);
    writeInterface(settings, *entry.eventInterface, library);

    settings.beginGroup(QStringLiteral("TypeLib/") + text(library.id) + QLatin1Char('/') + typeLibraryVersion(library));
    settings.setValue(QStringLiteral("Name"), QString::fromLatin1(library.name));
    settings.setValue(QStringLiteral("HelpString"), QString::fromLatin1(library.helpString));
    settings.setValue(QStringLiteral("Flags"), library.describesControls ? QStringLiteral("control") : QString());
    settings.setValue(QString::number(library.locale, 16), libraryPath);
    settings.endGroup();
    return finish(settings);
}

Status removeRegistration(const ProjectDescriptor& project)
{
    const QString file = registryFile();
    if (!QFileInfo::exists(file))
        return kOk;
    QSettings settings(file, QSettings::IniFormat);
    const ClassEntry& entry = project.control;
    const TypeLibraryEntry& library = project.typeLibrary;

    // The programmatic name goes only if it still names this class.
    const QString progId = progIdKey(QString::fromLatin1(entry.progId));
    if (settings.value(progId + QStringLiteral("/CLSID")).toString() == text(entry.id))
        settings.remove(progId);
    settings.remove(classKey(entry));
    settings.remove(QStringLiteral("Interface/") + text(entry.defaultInterface->id));
    settings.remove(QStringLiteral("Interface/") + text(entry.eventInterface->id));

    const QString libraryKey = QStringLiteral("TypeLib/") + text(library.id);
    settings.remove(libraryKey + QLatin1Char('/') + typeLibraryVersion(library));
    settings.beginGroup(libraryKey);
    const bool otherVersions = !settings.childGroups().isEmpty() || !settings.childKeys().isEmpty();
    settings.endGroup();
    if (!otherVersions)
        settings.remove(libraryKey);
    return finish(settings);
}

} // namespace platform
