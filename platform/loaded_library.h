#pragma once

#include "library_exports.h"

#include <QLibrary>
#include <QString>

#include <memory>

namespace platform {

// A component library loaded on behalf of this process's hosts. Every control made from it
// shares one; when the last goes, the library is unloaded if its DllCanUnloadNow allows.
class LoadedLibrary {
public:
    // Loads the library at an absolute path (a relative one is refused) and resolves its
    // entry points; nullptr and a message in *error when it cannot.
    static std::shared_ptr<LoadedLibrary> open(const QString& absolutePath, QString* error);

    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    ~LoadedLibrary();

    QString path() const { return library.fileName(); }
    GetClassObjectFn getClassObject = nullptr;
    CanUnloadNowFn canUnloadNow = nullptr;
    GetProjectDescriptorFn projectDescriptor = nullptr; // optional

private:
    explicit LoadedLibrary(const QString& absolutePath);
    QLibrary library;
};

} // namespace platform
