#include "project_listing.h"

#include <QStringList>

namespace {

QString id(const platform::Guid& guid)
{
    return QString::fromStdString(guid.toString());
}

QString interfaceFlags(std::uint32_t flags)
{
    QStringList names;
    if (flags & platform::kInterfaceDual)
        names << QStringLiteral("dual");
    if (flags & platform::kInterfaceDispatchOnly)
        names << QStringLiteral("dispatch-only");
    if (flags & platform::kInterfaceHidden)
        names << QStringLiteral("hidden");
    if (flags & platform::kInterfaceNonExtensible)
        names << QStringLiteral("non-extensible");
    if (flags & platform::kInterfaceAutomation)
        names << QStringLiteral("automation");
    return names.join(QStringLiteral(", "));
}

void describeInterface(QStringList& out, const char* role, const platform::InterfaceEntry& face)
{
    out << QStringLiteral("  %1 %2 %3 (%4), derives from %5")
               .arg(QLatin1String(role), QLatin1String(face.name), id(face.id), interfaceFlags(face.flags),
                    id(face.baseId));
    for (std::size_t i = 0; i < face.propertyCount; ++i) {
        const platform::PropertyEntry& property = face.properties[i];
        out << QStringLiteral("    property %1, dispatch id 0x%2:%3%4")
                   .arg(QLatin1String(property.name))
                   .arg(quint32(property.id), 8, 16, QLatin1Char('0'))
                   .arg(property.put ? QStringLiteral(" put") : QString(),
                        property.get ? QStringLiteral(" get") : QString());
    }
    if (face.propertyCount == 0)
        out << QStringLiteral("    no members");
}

QString version(const std::uint16_t (&parts)[4])
{
    return QStringLiteral("%1.%2.%3.%4").arg(parts[0]).arg(parts[1]).arg(parts[2]).arg(parts[3]);
}

} // namespace

QString describeProject(const platform::ProjectDescriptor& project)
{
    const platform::TypeLibraryEntry& library = project.typeLibrary;
    const platform::ClassEntry& entry = project.control;
    QStringList out;
    out << QStringLiteral("type library %1 \"%2\" %3, version %4.%5, locale 0x%6%7")
               .arg(QLatin1String(library.name), QLatin1String(library.helpString), id(library.id))
               .arg(library.majorVersion)
               .arg(library.minorVersion)
               .arg(library.locale, 4, 16, QLatin1Char('0'))
               .arg(library.describesControls ? QStringLiteral(", describes controls") : QString());
    out << QStringLiteral("class %1 \"%2\" %3%4")
               .arg(QLatin1String(entry.name), QLatin1String(entry.progId), id(entry.id),
                    entry.isControl ? QStringLiteral(", control") : QString());
    out << QStringLiteral("  threading %1, container status flags %2 (0x%3)")
               .arg(QLatin1String(entry.threadingModel))
               .arg(entry.miscStatus)
               .arg(entry.miscStatus, 0, 16);
    out << QStringLiteral("  toolbox picture %1: %2 x %3, %4 colours")
               .arg(entry.toolboxPicture.resourceId)
               .arg(entry.toolboxPicture.width)
               .arg(entry.toolboxPicture.height)
               .arg(entry.toolboxPicture.colours);
    describeInterface(out, "default interface", *entry.defaultInterface);
    describeInterface(out, "event interface", *entry.eventInterface);

    const platform::VersionBlock& block = project.version;
    out << QStringLiteral("version block: file %1, product %2, language 0x%3, code page %4")
               .arg(version(block.fileVersion), version(block.productVersion))
               .arg(block.language, 4, 16, QLatin1Char('0'))
               .arg(block.codePage);
    for (std::size_t i = 0; i < block.entryCount; ++i)
        out << QStringLiteral("  %1: \"%2\"")
                   .arg(QString::fromUtf8(block.entries[i].key), QString::fromUtf8(block.entries[i].value));
    return out.join(QLatin1Char('\n'));
}
