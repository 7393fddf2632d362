#pragma once
// What a service tells systemd, heard on a datagram socket of the test's own that
// NOTIFY_SOCKET names, as systemd would hear it.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

class NotifyListener {
public:
    // Listens at `path`, which must not exist yet.
    explicit NotifyListener(const QString& path);
    ~NotifyListener();
    NotifyListener(const NotifyListener&) = delete;
    NotifyListener& operator=(const NotifyListener&) = delete;

    // NOTIFY_SOCKET for the service's environment.
    QProcessEnvironment environment() const;
    // Every datagram so far ("READY=1\nSTATUS=...").
    QStringList heard();

private:
    QString path_;
    int socket_ = -1;
    QStringList heard_;
};
