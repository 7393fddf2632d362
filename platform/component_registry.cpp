#include "component_registry.h"

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

QList<ClassRegistration> registrationsOf(const QString& libraryPath)
{
    QList<ClassRegistration> found;
    const QString file = registryFile();
    if (!QFileInfo::exists(file))
        return found;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("CLSID"));
    for (const QString& classKey : settings.childGroups()) {
        if (settings.value(classKey + QStringLiteral("/InprocServer")).toString() != libraryPath)
            continue;
        if (const auto classId = Guid::fromString(classKey.toStdString()))
            found.append({*classId, settings.value(classKey + QStringLiteral("/ProgID")).toString(), libraryPath});
    }
    return found;
}

Status removeRegistrationsOf(const QString& libraryPath, int* removed)
{
    const QList<ClassRegistration> classes = registrationsOf(libraryPath);
    if (removed)
        *removed = static_cast<int>(classes.size());
    if (classes.isEmpty())
        return kOk;
    QSettings settings(registryFile(), QSettings::IniFormat);
    QStringList typeLibraries;
    for (const ClassRegistration& entry : classes) {
        const QString key = QStringLiteral("CLSID/") + text(entry.classId);
        typeLibraries << settings.value(key + QStringLiteral("/TypeLib")).toString();
        if (settings.value(progIdKey(entry.progId) + QStringLiteral("/CLSID")).toString() == text(entry.classId))
            settings.remove(progIdKey(entry.progId));
        settings.remove(key);
    }
    // The interfaces and type library versions that came from the same library.
    settings.beginGroup(QStringLiteral("Interface"));
    for (const QString& face : settings.childGroups())
        if (typeLibraries.contains(settings.value(face + QStringLiteral("/TypeLib")).toString()))
            settings.remove(face);
    settings.endGroup();
    for (const QString& library : typeLibraries) {
        settings.beginGroup(QStringLiteral("TypeLib/") + library);
        for (const QString& version : settings.childGroups()) {
            settings.beginGroup(version);
            bool fromThisLibrary = false;
            for (const QString& key : settings.childKeys())
                fromThisLibrary = fromThisLibrary || settings.value(key).toString() == libraryPath;
            settings.endGroup();
            if (fromThisLibrary)
                settings.remove(version);
        }
        const bool empty = settings.childGroups().isEmpty() && settings.childKeys().isEmpty();
        settings.endGroup();
        if (empty)
            settings.remove(QStringLiteral("TypeLib/") + library);
    }
    return finish(settings);
}

} // namespace platform
