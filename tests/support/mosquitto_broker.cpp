#include "mosquitto_broker.h"

#include "card_and_panel_processes.h"
#include "ser2net_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

MosquittoBroker::MosquittoBroker(const QStringList& lines, quint16 port)
    : lines_(lines), port_(port != 0 ? port : freeLoopbackPort())
{
}

MosquittoBroker::~MosquittoBroker()
{
    kill();
}

bool MosquittoBroker::missing() const
{
    return QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"}).isEmpty();
}

bool MosquittoBroker::start(QString* said)
{
    QFile configuration(dir_.filePath(QStringLiteral("mosquitto.conf")));
    if (!configuration.open(QIODevice::WriteOnly))
        return false;
    QStringList lines{QStringLiteral("listener %1 127.0.0.1").arg(port_), QStringLiteral("persistence false"),
                      QStringLiteral("log_dest stderr")};
    if (lines_.filter(QStringLiteral("password_file")).isEmpty())
        lines << QStringLiteral("allow_anonymous true");
    if (::geteuid() == 0)
        lines << QStringLiteral("user root");
    configuration.write((lines + lines_).join(QLatin1Char('\n')).toUtf8() + '\n');
    configuration.close();
    process_.setProcessChannelMode(QProcess::MergedChannels);
    const QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {"/usr/sbin", "/usr/bin"});
    process_.start(program, {QStringLiteral("-c"), configuration.fileName()});
    if (!process_.waitForStarted(5000))
        return false;
    if (waitUntilListening(process_, port_))
        return true;
    if (said)
        *said = log();
    return false;
}

QString MosquittoBroker::log()
{
    log_ += QString::fromLocal8Bit(process_.readAll());
    return log_;
}

void MosquittoBroker::kill()
{
    killServer(process_);
}

MqttFollower::MqttFollower(quint16 port, const QStringList& topics, const QStringList& moreArguments)
{
    QStringList arguments{"-h", "127.0.0.1", "-p", QString::number(port), "-V", "5", "-F", "%r %t %p"};
    for (const QString& topic : topics)
        arguments << "-t" << topic;
    process_.start(QStringLiteral("mosquitto_sub"), arguments + moreArguments);
    process_.waitForStarted(3000);
    runEventsFor(200);  // subscribed
}

MqttFollower::~MqttFollower()
{
    endProcess(process_);
}

QStringList MqttFollower::lines()
{
    seen_ += QString::fromUtf8(process_.readAllStandardOutput());
    return seen_.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool MqttFollower::waitFor(const QString& text, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!lines().join(QLatin1Char('\n')).contains(text) && clock.elapsed() < timeoutMs)
        runEventsFor(20);
    return lines().join(QLatin1Char('\n')).contains(text);
}

QString MqttFollower::last(const QString& topic)
{
    QString payload;
    for (const QString& line : lines()) {
        if (line.section(QLatin1Char(' '), 1, 1) == topic)
            payload = line.section(QLatin1Char(' '), 2);
    }
    return payload;
}

bool publishOnce(quint16 port, const QString& topic, const QByteArray& payload, bool retain, const QStringList& moreArguments)
{
    QStringList arguments{"-h", "127.0.0.1", "-p", QString::number(port), "-q", "1", "-t", topic,
                          payload.isEmpty() ? "-n" : "-s"};
    if (retain)
        arguments << "-r";
    QProcess publisher;
    publisher.start(QStringLiteral("mosquitto_pub"), arguments + moreArguments);
    publisher.write(payload);
    publisher.closeWriteChannel();
    return publisher.waitForFinished(5000) && publisher.exitCode() == 0;
}
