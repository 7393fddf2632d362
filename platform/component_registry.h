#pragma once

#include "platform/guid.h"
#include "platform/project_descriptor.h"
#include "platform/status.h"

#include <QString>

#include <optional>

namespace platform {

// The registry is an INI file. The environment variable PELMORA_REGISTRY names the file to
// use; otherwise it is <user data dir>/pelmora/registry.ini (e.g. ~/.local/share/pelmora).
QString registryFile();

struct ClassRegistration {
    Guid classId;
    QString progId;
    QString libraryPath;
};

// The class registered under a programmatic name, if any.
std::optional<ClassRegistration> findRegisteredClass(const QString& progId);

// Records the project's class (under its programmatic name and class identifier), its two
// interfaces and its type library, all pointing at libraryPath.
Status writeRegistration(const ProjectDescriptor& project, const QString& libraryPath);

// Removes exactly the entries writeRegistration made for this project.
Status removeRegistration(const ProjectDescriptor& project);

} // namespace platform
