#pragma once
// The real ser2net in front of a device, on a free port of the loopback, for tests of
// a card on another machine. It opens the device only when a client connects. Ended
// with SIGKILL by its process id (a SIGTERM takes it seconds), also when a test fails.

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2netServer {
public:
    // Telnet with RFC 2217, raw TCP, or telnet that takes no line settings.
    enum class Accepter { Telnet, Raw, TelnetWithoutLine };

    // `line` is ser2net's own setting for the device, as in its configuration: "4800n81";
    // `port` 0 takes a free one.
    Ser2netServer(Accepter accepter, const QString& device, const QString& line = QStringLiteral("9600n81"),
                  quint16 port = 0);
    ~Ser2netServer();
    Ser2netServer(const Ser2netServer&) = delete;
    Ser2netServer& operator=(const Ser2netServer&) = delete;

    // Starts it and waits until its port takes connections; false with what it said if not.
    bool start(QString* output = nullptr);
    void kill();

    quint16 port() const { return port_; }
    // The name the panel opens it by: rfc2217://127.0.0.1:PORT or socket://127.0.0.1:PORT.
    QString url() const;

private:
    Accepter accepter_;
    QString device_;
    QString line_;
    quint16 port_ = 0;
    QTemporaryDir dir_;
    QProcess process_;
};

// A TCP port of the loopback on which nothing listens now.
quint16 freeLoopbackPort();

// Until `server` takes connections on `port` of the loopback, for at most timeoutMs while it
// runs; true when it does. The probe's connection is closed at once.
bool waitUntilListening(const QProcess& server, quint16 port, int timeoutMs = 5000);

// Ends `server` at once with SIGKILL, by its process id, and waits for it.
void killServer(QProcess& server);
