#pragma once

#include "guid.h"
#include "project_descriptor.h"
#include "status.h"

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

// The classes registered as served by the library at libraryPath (an absolute path).
QList<ClassRegistration> registrationsOf(const QString& libraryPath);

// Removes every entry that names the library at libraryPath, without loading it: for a
// library that has been deleted or no longer loads. *removed receives how many classes went.
Status removeRegistrationsOf(const QString& libraryPath, int* removed);

} // namespace platform
