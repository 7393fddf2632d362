#include "unprivileged_probe.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kRunuser = QStringLiteral("/usr/sbin/runuser");

bool copyRunnable(const QString& from, const QString& to)
{
    return QFile::copy(from, to) && ::chmod(to.toLocal8Bit().constData(), 0755) == 0;
}

} // namespace

bool UnprivilegedProbe::asAnotherUser() const
{
    return ::geteuid() == 0;
}

UnprivilegedProbe::UnprivilegedProbe() : program_(QStringLiteral(PELMORA_BIN_DIR "/refusal_probe"))
{
    if (!asAnotherUser())
        return;
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody || ::access(kRunuser.toLocal8Bit().constData(), X_OK) != 0) {
        unavailable_ = QStringLiteral("no user nobody or no runuser to run the window as another user");
        return;
    }
    if (!home_.isValid() || !programs_.isValid()
        || ::chown(home_.path().toLocal8Bit().constData(), nobody->pw_uid, nobody->pw_gid) != 0
        || ::chmod(programs_.path().toLocal8Bit().constData(), 0755) != 0) {
        unavailable_ = QStringLiteral("cannot make folders for nobody in %1").arg(QDir::tempPath());
        return;
    }
    // The gauge library under every name it has (libgaugix.so, and its versioned names when it has them).
    const QDir built(QStringLiteral(PELMORA_BIN_DIR));
    QStringList files{QStringLiteral("refusal_probe")};
    files << built.entryList({QStringLiteral("libgaugix.so*")}, QDir::Files);
    for (const QString& file : files) {
        if (!copyRunnable(built.filePath(file), programs_.filePath(file))) {
            unavailable_ = QStringLiteral("cannot copy %1 to %2").arg(file, programs_.path());
            return;
        }
    }
    program_ = programs_.filePath(QStringLiteral("refusal_probe"));
}

ProbeRun UnprivilegedProbe::run(const QString& com1, const QString& com2, int ms)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PELMORA_COM1", com1);
    environment.insert("PELMORA_COM2", com2);
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", home_.path());
    environment.insert("XDG_RUNTIME_DIR", home_.path());
    environment.insert("PELMORA_REGISTRY", home_.filePath("registry.ini"));
    QProcess probe;
    probe.setProcessEnvironment(environment);
    if (asAnotherUser())
        // runuser sets HOME to the user's own; env puts back the one made for the test.
        probe.start(kRunuser, {"-u", "nobody", "--", "env", "HOME=" + home_.path(), program_, QString::number(ms)});
    else
        probe.start(program_, {QString::number(ms)});
    ProbeRun run;
    run.finished = probe.waitForFinished(20000);
    if (!run.finished) {
        probe.terminate();
        probe.waitForFinished(3000);
    }
    run.standardError = QString::fromUtf8(probe.readAllStandardError());
    for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split('\n')) {
        if (line.startsWith("box\t"))
            run.details << line.mid(4);
        else if (line.startsWith("port\t"))
            run.port = line.mid(5);
    }
    return run;
}
