#pragma once

#include "guid.h"
#include "library_state.h"
#include "project_descriptor.h"
#include "status.h"

#include <cstdint>

namespace platform {

// The services a component library's entry points hand over to, each with the library's
// state words and descriptor.

// Records the library's class, interfaces and type library in the registry.
Status registerProject(LibraryState& state, const ProjectDescriptor& project);
// Removes exactly what registerProject recorded.
Status unregisterProject(LibraryState& state, const ProjectDescriptor& project);
// Hands out a class factory for classId, asked for as interfaceId.
Status getClassObject(LibraryState& state, const ProjectDescriptor& project, const Guid* classId,
                      const Guid* interfaceId, void** result);
// kOk when no object or lock of the library is alive, kFalse otherwise.
Status canUnloadNow(LibraryState& state, const ProjectDescriptor& project);
// Start-up and shut-down of the library; returns non-zero on success.
int libraryMain(LibraryState& state, void* instance, std::uint32_t reason, void* reserved);

} // namespace platform
