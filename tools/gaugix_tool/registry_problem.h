#pragma once

#include <QString>

// Why the registry file cannot be written, in the system's words, with its path:
// "cannot write the registry /home/ann/.local/share/pelmora/registry.ini: Permission denied".
QString registryProblem(const QString& registryFile);
