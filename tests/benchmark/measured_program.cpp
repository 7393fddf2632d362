#include "measured_program.h"

MeasuredProgram::MeasuredProgram(const QString& program, const QStringList& arguments,
                                 const QProcessEnvironment& environment)
{
    process_.setProcessEnvironment(environment);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, arguments);
    process_.waitForStarted(3000);
}

MeasuredProgram::~MeasuredProgram()
{
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

QProcessEnvironment panelEnvironment(const QString& device, const QByteArray& display, const QTemporaryDir& home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("PELMORA_COM1"), device);
    environment.insert(QStringLiteral("PELMORA_REGISTRY"), home.filePath(QStringLiteral("registry.ini")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    if (display.isEmpty()) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
    }
    return environment;
}
