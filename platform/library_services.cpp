#include "library_services.h"

#include "class_factory_object.h"
#include "component_registry.h"
#include "library_exports.h"

#include <QFileInfo>
#include <QString>

#include <dlfcn.h>

namespace platform {

namespace {

// The file the descriptor was loaded from, as an absolute path; empty when unknown.
QString libraryFileOf(const ProjectDescriptor& project)
{
    Dl_info info{};
    if (dladdr(&project, &info) == 0 || !info.dli_fname)
        return {};
    const QFileInfo file(QString::fromLocal8Bit(info.dli_fname));
    return file.isAbsolute() ? file.absoluteFilePath() : QString();
}

} // namespace

Status registerProject(LibraryState&, const ProjectDescriptor& project)
{
    const QString path = libraryFileOf(project);
    if (path.isEmpty())
        return kFail;
    return writeRegistration(project, path);
}

Status unregisterProject(LibraryState&, const ProjectDescriptor& project)
{
    return removeRegistration(project);
}

Status getClassObject(LibraryState& state, const ProjectDescriptor& project, const Guid* classId,
                      const Guid* interfaceId, void** result)
{
    if (!result)
        return kPointer;
    *result = nullptr;
    if (!classId || !interfaceId)
        return kInvalidArg;
    if (*classId != project.control.id)
        return kClassNotRegistered;
    auto* factory = new ClassFactoryObject(state, project.control);
    const Status status = factory->queryInterface(*interfaceId, result);
    factory->release();
    return status;
}

Status canUnloadNow(LibraryState& state, const ProjectDescriptor&)
{
    return state.objects == 0 && state.locks == 0 ? kOk : kFalse;
}

int libraryMain(LibraryState& state, void*, std::uint32_t reason, void*)
{
    if (reason == kProcessAttach) {
        state.objects = 0;
        state.locks = 0;
    }
    return reason == kProcessAttach || reason == kProcessDetach ? 1 : 0;
}

} // namespace platform
