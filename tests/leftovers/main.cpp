// The first and the last test of the suite. "snapshot" makes the run's temporary
// folder (every test runs with TMPDIR set to it) and notes what is on the machine
// before the run; "check" lists what the run left behind (lock files, processes,
// X server files, temporary files and folders), fails if there is anything, and
// removes the run's temporary folder.
//
//   run_leftovers snapshot|check RUN_FOLDER STATE_FILE PROGRAM_FOLDER

#include "run_traces.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <unistd.h>

namespace {

// Programs that a test ended a moment ago may still be on their way out.
constexpr int kGraceMs = 5000;

bool makeRunFolder(const QString& path)
{
    const QFileInfo folder(path);
    if (folder.exists() && (folder.isSymLink() || !folder.isDir() || folder.ownerId() != ::geteuid())) {
        std::fprintf(stderr, "%s exists and is not a folder of this user: remove it\n", qPrintable(path));
        return false;
    }
    // What an interrupted run left there goes; this run starts from an empty folder.
    if (folder.exists() && !QDir(path).removeRecursively())
        std::fprintf(stderr, "could not empty %s\n", qPrintable(path));
    // Other users must reach it: tests run programs as another user from there.
    return QDir().mkpath(path)
        && QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                           | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
}

int snapshot(const RunMarks& marks, const QString& stateFile)
{
    if (!makeRunFolder(marks.temporaryFolder))
        return 1;
    QFile state(stateFile);
    if (!state.open(QIODevice::WriteOnly | QIODevice::Truncate) || state.write(toText(takeTraces())) < 0) {
        std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(stateFile), qPrintable(state.errorString()));
        return 1;
    }
    return 0;
}

int check(const RunMarks& marks, const QString& stateFile)
{
    QFile state(stateFile);
    if (!state.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no snapshot in %s: %s\n", qPrintable(stateFile), qPrintable(state.errorString()));
        return 1;
    }
    const Traces before = fromText(state.readAll());
    const QDeadlineTimer grace(kGraceMs);
    QStringList found;
    while (!(found = leftovers(before, marks)).isEmpty() && !grace.hasExpired())
        QThread::msleep(200);
    for (const QString& line : found)
        std::printf("left behind: %s\n", qPrintable(line));
    QDir(marks.temporaryFolder).removeRecursively();
    QFile::remove(stateFile);
    if (!found.isEmpty()) {
        std::printf("the run left %lld thing(s) behind\n", static_cast<long long>(found.size()));
        return 1;
    }
    std::printf("nothing left behind\n");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s snapshot|check RUN_FOLDER STATE_FILE PROGRAM_FOLDER\n", argv[0]);
        return 2;
    }
    const QString command = QString::fromLocal8Bit(argv[1]);
    const RunMarks marks{QDir::cleanPath(QString::fromLocal8Bit(argv[2])), QDir::cleanPath(QString::fromLocal8Bit(argv[4]))};
    const QString stateFile = QString::fromLocal8Bit(argv[3]);
    if (command == QLatin1String("snapshot"))
        return snapshot(marks, stateFile);
    if (command == QLatin1String("check"))
        return check(marks, stateFile);
    std::fprintf(stderr, "unknown command %s\n", argv[1]);
    return 2;
}
