#pragma once
// A program the benchmark measures, started with an environment of its choosing and ended
// with SIGTERM, as a user's session would end it; and the panel's environment.

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class MeasuredProgram {
public:
    MeasuredProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
    ~MeasuredProgram();
    MeasuredProgram(const MeasuredProgram&) = delete;
    MeasuredProgram& operator=(const MeasuredProgram&) = delete;

    bool running() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }

private:
    QProcess process_;
};

// The panel's environment: COM1 on `device`, a registry of its own in `home`, the display
// asked for (empty: offscreen).
QProcessEnvironment panelEnvironment(const QString& device, const QByteArray& display, const QTemporaryDir& home);
