#include "notify_listener.h"

#include <cstdio>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

NotifyListener::NotifyListener(const QString& path) : path_(path)
{
    socket_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", qPrintable(path));
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        std::perror("notify socket");
}

NotifyListener::~NotifyListener()
{
    ::close(socket_);
    ::unlink(qPrintable(path_));
}

QProcessEnvironment NotifyListener::environment() const
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("NOTIFY_SOCKET"), path_);
    return environment;
}

QStringList NotifyListener::heard()
{
    char datagram[4096];
    for (ssize_t n; (n = ::recv(socket_, datagram, sizeof datagram, 0)) > 0;)
        heard_ << QString::fromUtf8(datagram, int(n));
    return heard_;
}
