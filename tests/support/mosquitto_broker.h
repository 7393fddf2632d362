#pragma once
// The real mosquitto broker on a free port of the loopback, from a configuration of the
// test's own (persistence off: a broker started again has forgotten every retained
// message), ended by its process id. And mosquitto_sub following topics, for what a
// client of the broker sees.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class MosquittoBroker {
public:
    // `lines`: more lines for its configuration (a password file, TLS); `port` 0 takes a free one.
    explicit MosquittoBroker(const QStringList& lines = {}, quint16 port = 0);
    ~MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;

    // Starts it and waits until it listens; false with what it said if not.
    bool start(QString* said = nullptr);
    void kill();
    bool missing() const;
    quint16 port() const { return port_; }
    qint64 pid() const { return process_.processId(); }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port_); }
    // What it has logged so far (log_dest stderr).
    QString log();
    // A folder of the broker's own, for the files its configuration names.
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QStringList lines_;
    quint16 port_;
    QTemporaryDir dir_;
    QProcess process_;
    QString log_;
};

// mosquitto_sub on `topics` of the broker at 127.0.0.1:`port`, from now on: what comes,
// one "<retained 0|1> <topic> <payload>" a line.
class MqttFollower {
public:
    MqttFollower(quint16 port, const QStringList& topics, const QStringList& moreArguments = {});
    ~MqttFollower();

    // Runs the event loop until a line holding `text` has come, for at most timeoutMs.
    bool waitFor(const QString& text, int timeoutMs = 5000);
    // Every line so far.
    QStringList lines();
    // The last payload of `topic` so far, or a null string.
    QString last(const QString& topic);

private:
    QProcess process_;
    QString seen_;
};

// Publishes `payload` to `topic` with mosquitto_pub (retained with `retain`); true when it did.
bool publishOnce(quint16 port, const QString& topic, const QByteArray& payload, bool retain = false,
                 const QStringList& moreArguments = {});
