#pragma once

#include "guid.h"
#include "status.h"

#include <cstdint>

namespace platform {

struct ProjectDescriptor;

// Entry points a component library exports with C linkage, and their signatures.
inline constexpr const char* kRegisterServerEntry = "DllRegisterServer";
inline constexpr const char* kUnregisterServerEntry = "DllUnregisterServer";
inline constexpr const char* kGetClassObjectEntry = "DllGetClassObject";
inline constexpr const char* kCanUnloadNowEntry = "DllCanUnloadNow";
inline constexpr const char* kLibraryMainEntry = "DllMain";
inline constexpr const char* kGetProjectDescriptorEntry = "DllGetProjectDescriptor";

using RegisterServerFn = Status (*)();
using UnregisterServerFn = Status (*)();
using GetClassObjectFn = Status (*)(const Guid* classId, const Guid* interfaceId, void** result);
using CanUnloadNowFn = Status (*)();
using LibraryMainFn = int (*)(void* instance, std::uint32_t reason, void* reserved);
using GetProjectDescriptorFn = const ProjectDescriptor* (*)();

// Reasons passed to the start-up and shut-down entry.
inline constexpr std::uint32_t kProcessDetach = 0;
inline constexpr std::uint32_t kProcessAttach = 1;

} // namespace platform
