#include "loaded_library.h"

#include <QFileInfo>

#include <map>
#include <mutex>

namespace platform {

namespace {

std::mutex openLock;
std::map<QString, std::weak_ptr<LoadedLibrary>> openLibraries;

template <typename Fn>
Fn resolve(QLibrary& library, const char* name)
{
    return reinterpret_cast<Fn>(library.resolve(name));
}

} // namespace

LoadedLibrary::LoadedLibrary(const QString& absolutePath)
    : library(absolutePath)
{
}

LoadedLibrary::~LoadedLibrary()
{
    if (canUnloadNow && canUnloadNow() == kOk)
        library.unload();
}

std::shared_ptr<LoadedLibrary> LoadedLibrary::open(const QString& absolutePath, QString* error)
{
    const QFileInfo file(absolutePath);
    if (!file.isAbsolute() || !file.isFile()) {
        if (error)
            *error = QStringLiteral("no library file at the absolute path \"%1\"").arg(absolutePath);
        return nullptr;
    }
    const QString key = file.absoluteFilePath();
    std::lock_guard<std::mutex> guard(openLock);
    if (auto shared = openLibraries[key].lock())
        return shared;

    std::shared_ptr<LoadedLibrary> loaded(new LoadedLibrary(key));
    if (!loaded->library.load()) {
        if (error)
            *error = loaded->library.errorString();
        return nullptr;
    }
    loaded->getClassObject = resolve<GetClassObjectFn>(loaded->library, kGetClassObjectEntry);
    loaded->canUnloadNow = resolve<CanUnloadNowFn>(loaded->library, kCanUnloadNowEntry);
    loaded->projectDescriptor = resolve<GetProjectDescriptorFn>(loaded->library, kGetProjectDescriptorEntry);
    if (!loaded->getClassObject || !loaded->canUnloadNow) {
        if (error)
            *error = QStringLiteral("\"%1\" is not a component library: it lacks %2 or %3")
                         .arg(key, QLatin1String(kGetClassObjectEntry), QLatin1String(kCanUnloadNowEntry));
        loaded->library.unload();
        loaded->canUnloadNow = nullptr;
        return nullptr;
    }
    openLibraries[key] = loaded;
    return loaded;
}

} // namespace platform
