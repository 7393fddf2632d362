// gaugix-tool: registers, unregisters or lists a component library, as the platform's
// registration tool would. The registry used is the one PELMORA_REGISTRY names, if set.
#include "platform/component_registry.h"
#include "platform/library_exports.h"
#include "project_listing.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

namespace {

int usage(QTextStream& err)
{
    err << "usage: gaugix-tool register|unregister|list <library>\n";
    return 2;
}

template <typename Fn>
Fn entry(QLibrary& library, const char* name)
{
    return reinterpret_cast<Fn>(library.resolve(name));
}

int runStatusEntry(QLibrary& library, const char* name, const char* done, QTextStream& out, QTextStream& err)
{
    const auto call = entry<platform::Status (*)()>(library, name);
    if (!call) {
        err << library.fileName() << " has no " << name << "\n";
        return 1;
    }
    const platform::Status status = call();
    if (!platform::succeeded(status)) {
        err << name << " failed: " << platform::statusText(status) << "\n";
        return 1;
    }
    out << done << " " << library.fileName() << " in " << platform::registryFile() << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2)
        return usage(err);
    const QString& command = args[0];
    if (command != QLatin1String("register") && command != QLatin1String("unregister")
        && command != QLatin1String("list"))
        return usage(err);

    // The library is named by the user; it is loaded only by its absolute path.
    QLibrary library(QFileInfo(args[1]).absoluteFilePath());
    if (!QFileInfo(library.fileName()).isFile() || !library.load()) {
        err << "cannot load " << library.fileName() << ": " << library.errorString() << "\n";
        return 1;
    }
    if (command == QLatin1String("register"))
        return runStatusEntry(library, platform::kRegisterServerEntry, "registered", out, err);
    if (command == QLatin1String("unregister"))
        return runStatusEntry(library, platform::kUnregisterServerEntry, "unregistered", out, err);

    const auto describe = entry<platform::GetProjectDescriptorFn>(library, platform::kGetProjectDescriptorEntry);
    if (!describe || !describe()) {
        err << library.fileName() << " does not describe what it offers\n";
        return 1;
    }
    out << describeProject(*describe()) << "\n";
    return 0;
}
