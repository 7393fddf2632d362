#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Absolute paths of the existing library files that could offer progId, installed beside the
// running program: its own directory, then <dir>/../lib/pelmora (and the install step's
// library directory if it differs), then <dir>/../lib.
// "name.class" is looked for as libname.so. Never the current directory, never a relative path.
QStringList librariesBesideProgram(const QString& progId);

} // namespace platform
