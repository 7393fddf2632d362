#include "component_registry.h"
#include "control_host.h"
#include "library_locator.h"
#include "loaded_library.h"
#include "project_descriptor.h"

#include <QDir>
#include <QStringList>

#include <optional>

namespace platform {

namespace {

struct Candidate {
    QString libraryPath;
    std::optional<Guid> classId; // known from the registry; otherwise asked of the library
};

QList<Candidate> candidatesFor(const QString& progId)
{
    QList<Candidate> candidates;
    if (const auto registered = findRegisteredClass(progId); registered && QDir::isAbsolutePath(registered->libraryPath))
        candidates.append({registered->libraryPath, registered->classId});
    for (const QString& path : librariesBesideProgram(progId))
        candidates.append({path, std::nullopt});
    return candidates;
}

std::optional<Guid> classOffered(const LoadedLibrary& library, const QString& progId)
{
    const ProjectDescriptor* project = library.projectDescriptor ? library.projectDescriptor() : nullptr;
    if (!project || progId.compare(QLatin1String(project->control.progId), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    return project->control.id;
}

std::unique_ptr<HostedControl> instantiate(std::shared_ptr<LoadedLibrary> library, const Guid& classId,
                                           QWidget* parent, QString* problem)
{
    void* factoryPointer = nullptr;
    Status status = library->getClassObject(&classId, &kClassFactoryInterfaceId, &factoryPointer);
    if (!succeeded(status)) {
        *problem = QStringLiteral("no class factory (%1)").arg(QLatin1String(statusText(status)));
        return nullptr;
    }
    auto* factory = static_cast<ClassFactory*>(factoryPointer);
    void* dispatchPointer = nullptr;
    status = factory->createInstance(nullptr, kDispatchInterfaceId, &dispatchPointer);
    factory->release();
    if (!succeeded(status)) {
        *problem = QStringLiteral("instance not created (%1)").arg(QLatin1String(statusText(status)));
        return nullptr;
    }
    auto* dispatch = static_cast<Dispatch*>(dispatchPointer);
    void* controlPointer = nullptr;
    status = dispatch->queryInterface(kControlInterfaceId, &controlPointer);
    if (!succeeded(status)) {
        dispatch->release();
        *problem = QStringLiteral("the class is not a control");
        return nullptr;
    }
    auto* control = static_cast<Control*>(controlPointer);
    control->attach(parent);
    return std::make_unique<HostedControl>(std::move(library), dispatch, control);
}

} // namespace

std::unique_ptr<HostedControl> createControl(const QString& progId, QWidget* parent, QString* error)
{
    QStringList problems;
    for (const Candidate& candidate : candidatesFor(progId)) {
        QString problem;
        auto library = LoadedLibrary::open(candidate.libraryPath, &problem);
        if (library) {
            const std::optional<Guid> classId = candidate.classId ? candidate.classId : classOffered(*library, progId);
            if (!classId)
                problem = QStringLiteral("it does not offer the class");
            else if (auto hosted = instantiate(std::move(library), *classId, parent, &problem))
                return hosted;
        }
        problems << QStringLiteral("%1: %2").arg(candidate.libraryPath, problem);
    }
    if (error) {
        *error = problems.isEmpty()
            ? QStringLiteral("class \"%1\" is not registered and no library offering it is installed beside the program")
                  .arg(progId)
            : QStringLiteral("class \"%1\" could not be created: %2").arg(progId, problems.join(QStringLiteral("; ")));
    }
    return nullptr;
}

} // namespace platform
