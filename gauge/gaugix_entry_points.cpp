// The library's exported entry points. Each hands over at once to the component services
// with this library's state words and descriptor, and returns their answer unchanged.
#include "gaugix_project.h"
#include "platform/library_exports.h"
#include "platform/library_services.h"

#define GAUGIX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

platform::LibraryState state;

} // namespace

GAUGIX_EXPORT platform::Status DllRegisterServer()
{
    return platform::registerProject(state, gaugix::kProject);
}

GAUGIX_EXPORT platform::Status DllUnregisterServer()
{
    return platform::unregisterProject(state, gaugix::kProject);
}

GAUGIX_EXPORT platform::Status DllGetClassObject(const platform::Guid* classId, const platform::Guid* interfaceId,
                                                 void** result)
{
    return platform::getClassObject(state, gaugix::kProject, classId, interfaceId, result);
}

GAUGIX_EXPORT platform::Status DllCanUnloadNow()
{
    return platform::canUnloadNow(state, gaugix::kProject);
}

GAUGIX_EXPORT int DllMain(void* instance, std::uint32_t reason, void* reserved)
{
    return platform::libraryMain(state, instance, reason, reserved);
}

// What the library offers, for hosts that find it without a registry and for listing tools.
GAUGIX_EXPORT const platform::ProjectDescriptor* DllGetProjectDescriptor()
{
    return &gaugix::kProject;
}

namespace {

// The loader has no notion of a library entry point; these stand in for it.
__attribute__((constructor)) void attachLibrary()
{
    DllMain(&state, platform::kProcessAttach, nullptr);
}

__attribute__((destructor)) void detachLibrary()
{
    DllMain(&state, platform::kProcessDetach, nullptr);
}

} // namespace
