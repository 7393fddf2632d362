#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Component libraries are installed under their SONAME, libname.so.1: the major version of
// the entry points that hosts call.
inline constexpr int kComponentLibraryVersion = 1;

// Absolute paths of the existing library files that could offer progId, installed beside the
// running program: its own directory, then the install step's library directory next to it
// (<dir>/../lib/<multiarch> on Debian), then <dir>/../lib.
// "name.class" is looked for as libname.so.1. Never the current directory, never a relative path.
QStringList librariesBesideProgram(const QString& progId);

} // namespace platform
