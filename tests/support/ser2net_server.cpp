#include "ser2net_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

quint16 freeLoopbackPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

Ser2netServer::Ser2netServer(Accepter accepter, const QString& device, const QString& line, quint16 port)
    : accepter_(accepter), device_(device), line_(line), port_(port != 0 ? port : freeLoopbackPort())
{
}

Ser2netServer::~Ser2netServer()
{
    kill();
}

QString Ser2netServer::url() const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(accepter_ == Accepter::Raw ? QStringLiteral("socket") : QStringLiteral("rfc2217"))
        .arg(port_);
}

bool Ser2netServer::start(QString* output)
{
    const QString config = dir_.filePath(QStringLiteral("ser2net.yaml"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString accepter = accepter_ == Accepter::Telnet ? QStringLiteral("telnet(rfc2217),tcp")
        : accepter_ == Accepter::Raw                        ? QStringLiteral("tcp")
                                                            : QStringLiteral("telnet,tcp");
    file.write(QStringLiteral("connection: &card\n"
                              "  accepter: %1,127.0.0.1,%2\n"
                              "  connector: serialdev,%3,%4,local\n"
                              // Each byte goes on at once, not gathered for a few character times.
                              "  options:\n"
                              "    chardelay: false\n")
                   .arg(accepter)
                   .arg(port_)
                   .arg(device_, line_)
                   .toUtf8());
    file.close();
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"), config,
                                               QStringLiteral("-P"), dir_.filePath(QStringLiteral("ser2net.pid"))});
    if (!process_.waitForStarted(5000))
        return false;
    // A plain connect, closed at once: ser2net takes it as a client that came and went.
    if (waitUntilListening(process_, port_)) {
        QThread::msleep(100);  // until ser2net has let go of the device again
        return true;
    }
    if (output)
        *output = QString::fromLocal8Bit(process_.readAll());
    return false;
}

void Ser2netServer::kill()
{
    killServer(process_);
}

bool waitUntilListening(const QProcess& server, quint16 port, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs && server.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

void killServer(QProcess& server)
{
    if (server.state() == QProcess::NotRunning)
        return;
    server.kill();
    server.waitForFinished(5000);
}
