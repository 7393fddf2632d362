// gaugix-tool: registers, unregisters or lists a component library, as the platform's
// registration tool would. The registry used is the one PELMORA_REGISTRY names, if set.
#include "platform/component_registry.h"
#include "platform/library_exports.h"
#include "platform/process/option_parser.h"
#include "project_listing.h"
#include "registry_problem.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

#include <optional>
#include <string>
#include <vector>

namespace {

QTextStream out(stdout);
QTextStream err(stderr);

const char* const kUsage =
    "Usage: gaugix-tool register|unregister|list LIBRARY\n"
    "Registers, unregisters or describes a component library, such as the gauge library.\n"
    "\n"
    "  register LIBRARY     record the library's classes in the registry\n"
    "  unregister LIBRARY   remove them (by the library's path when it no longer loads)\n"
    "  list LIBRARY         print what the library offers; the registry is not touched\n"
    "  -h, --help           show this help\n"
    "  --version            show the version\n"
    "\n"
    "The registry is PELMORA_REGISTRY, else $XDG_DATA_HOME/pelmora/registry.ini.\n"
    "Exit status: 0 done; 1 the library or the registry failed; 2 a bad command line.\n";

int refused(const std::string& why)
{
    err << "gaugix-tool: " << QString::fromStdString(why) << "\nTry 'gaugix-tool --help'.\n";
    return 2;
}

// The command and the library's path, or an exit status when there is nothing to do.
std::optional<int> readCommandLine(const QStringList& arguments, QString& command, QString& path)
{
    OptionParser line({QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}),
                       QCommandLineOption(QStringLiteral("version"))});
    std::vector<std::string> args;
    for (const QString& argument : arguments.mid(1))
        args.push_back(argument.toStdString());
    if (const std::string error = line.parse(args); !error.empty())
        return refused(error);
    if (line.isSet("help")) {
        out << kUsage;
        return 0;
    }
    if (line.isSet("version")) {
        out << "gaugix-tool " << PELMORA_VERSION << "\n";
        return 0;
    }
    const std::vector<std::string> words = line.positional();
    if (words.size() != 2)
        return refused(words.empty() ? "no command given" : "a command and one library are needed");
    command = QString::fromStdString(words[0]);
    if (command != QLatin1String("register") && command != QLatin1String("unregister") && command != QLatin1String("list"))
        return refused("unknown command '" + words[0] + "'");
    path = QString::fromStdString(words[1]);
    return std::nullopt;
}

template <typename Fn>
Fn entry(QLibrary& library, const char* name)
{
    return reinterpret_cast<Fn>(library.resolve(name));
}

// Why the library at `path` cannot be had, or empty when it loads.
QString loadProblem(QLibrary& library, const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral("cannot load %1: no such file").arg(path);
    if (file.isDir())
        return QStringLiteral("cannot load %1: it is a directory").arg(path);
    if (!library.load())
        return QStringLiteral("cannot load %1: %2").arg(path, library.errorString());
    return {};
}

int runStatusEntry(QLibrary& library, const char* name, const char* done)
{
    const auto call = entry<platform::Status (*)()>(library, name);
    if (!call) {
        err << "gaugix-tool: " << library.fileName() << " is not a component library: it has no " << name << "\n";
        return 1;
    }
    const platform::Status status = call();
    if (status == platform::kRegistryFailed) {
        err << "gaugix-tool: " << name << " failed: " << registryProblem(platform::registryFile()) << "\n";
        return 1;
    }
    if (!platform::succeeded(status)) {
        err << "gaugix-tool: " << name << " failed: " << platform::statusText(status) << "\n";
        return 1;
    }
    out << done << " " << library.fileName() << " in " << platform::registryFile() << "\n";
    return 0;
}

// The class a library offers is registered, by whichever library; true when the library
// does not say what it offers.
bool classRegistered(QLibrary& library)
{
    const auto describe = entry<platform::GetProjectDescriptorFn>(library, platform::kGetProjectDescriptorEntry);
    const platform::ProjectDescriptor* project = describe ? describe() : nullptr;
    return !project || platform::findRegisteredClass(QString::fromLatin1(project->control.progId)).has_value();
}

int notRegistered(const QString& path)
{
    out << path << " is not registered in " << platform::registryFile() << "; nothing changed\n";
    return 0;
}

// A library that is gone or no longer loads: its entries are found by its path.
int unregisterByPath(const QString& path, const QString& problem)
{
    int removed = 0;
    if (platform::removeRegistrationsOf(path, &removed) != platform::kOk) {
        err << "gaugix-tool: " << registryProblem(platform::registryFile()) << "\n";
        return 1;
    }
    if (removed == 0) {
        err << "gaugix-tool: " << problem << "\n";
        return notRegistered(path);
    }
    out << "unregistered " << path << " in " << platform::registryFile() << " (" << problem
        << "; its entries were removed by its path)\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString command, given;
    if (const std::optional<int> status = readCommandLine(app.arguments(), command, given))
        return *status;

    // The library is named by the user; it is loaded only by its absolute path.
    const QString path = QFileInfo(given).absoluteFilePath();
    QLibrary library(path);
    if (const QString problem = loadProblem(library, path); !problem.isEmpty()) {
        if (command == QLatin1String("unregister"))
            return unregisterByPath(path, problem);
        err << "gaugix-tool: " << problem << "\n";
        return 1;
    }
    if (command == QLatin1String("register"))
        return runStatusEntry(library, platform::kRegisterServerEntry, "registered");
    if (command == QLatin1String("unregister"))
        return classRegistered(library) ? runStatusEntry(library, platform::kUnregisterServerEntry, "unregistered")
                                        : notRegistered(path);

    const auto describe = entry<platform::GetProjectDescriptorFn>(library, platform::kGetProjectDescriptorEntry);
    if (!describe || !describe()) {
        err << "gaugix-tool: " << path << " does not describe what it offers\n";
        return 1;
    }
    out << describeProject(*describe()) << "\n";
    return 0;
}
