#pragma once
// pelmorad run as a process, with a state folder of its own, its standard error followed.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class ServiceProcess {
public:
    // `state`: the folder for its outputs' files (XDG_STATE_HOME); `more`: more variables;
    // `wrapper`: a command that runs it, its program's path and arguments after the wrapper's
    // own (unshare ... for a namespace), and that ends in exec so that pid() is the service's.
    ServiceProcess(const QStringList& arguments, const QString& state,
                   const QProcessEnvironment& more = QProcessEnvironment(), const QStringList& wrapper = {});
    ~ServiceProcess();

    QProcess& process() { return process_; }
    qint64 pid() const { return process_.processId(); }
    // Everything it has said on standard error so far.
    QString said();
    // Runs the event loop until it has said something holding `text`, for at most timeoutMs.
    bool waitToSay(const QString& text, int timeoutMs = 5000);
    // SIGTERM; its exit status, or -1 when it did not end within timeoutMs.
    int stop(int timeoutMs = 1000);

private:
    QProcess process_;
    QString said_;
};
