#include "namespaces.h"

#include <QProcess>

#include <unistd.h>

bool namespacesWork()
{
    if (::geteuid() != 0)
        return false;
    QProcess probe;
    probe.start(QStringLiteral("unshare"), {"-m", "-u", "true"});
    return probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
}

QStringList withHostName(const QString& name)
{
    return {"unshare", "-u", "sh", "-c", R"(hostname "$1" && shift && exec "$@")", "sh", name};
}

QStringList withFileOver(const QString& file, const QString& over)
{
    return {"unshare", "-m", "sh", "-c", R"(mount --bind "$1" "$2" && shift 2 && exec "$@")", "sh", file, over};
}
