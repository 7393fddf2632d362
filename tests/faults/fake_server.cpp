#include "fake_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Waits at most 50 ms for `socket` to be ready for `events`: the server looks at
// `stopping` between waits.
bool ready(int socket, short events)
{
    pollfd watched{socket, events, 0};
    return ::poll(&watched, 1, 50) > 0;
}

} // namespace

FakeServer::FakeServer(Play play) : play_(std::move(play))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listener_, 4) != 0
        || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

FakeServer::~FakeServer()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    ::close(listener_);
}

void FakeServer::serve()
{
    while (!stopping_) {
        if (!ready(listener_, POLLIN))
            continue;
        const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        play_(client, stopping_);
        ::close(client);
    }
}

bool sendAll(int socket, const char* bytes, std::size_t size, const std::atomic<bool>& stopping)
{
    while (size > 0 && !stopping) {
        if (!ready(socket, POLLOUT))
            continue;
        const ssize_t sent = ::send(socket, bytes, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (sent < 0)
            return false;
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return size == 0;
}
