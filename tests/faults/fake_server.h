#pragma once
// A server of the test's own on the loopback, in a thread of its own: it accepts one
// client at a time and plays `play` to it with the connected socket, which it closes
// when play returns. Ends when it goes, also while a client is being played to.

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <thread>

class FakeServer {
public:
    // `stopping` turns true when the server is going: play should return then.
    using Play = std::function<void(int socket, const std::atomic<bool>& stopping)>;

    explicit FakeServer(Play play);
    ~FakeServer();
    FakeServer(const FakeServer&) = delete;
    FakeServer& operator=(const FakeServer&) = delete;

    quint16 port() const { return port_; }

private:
    void serve();

    Play play_;
    int listener_ = -1;
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Writes all of `bytes` unless the client goes or the server stops; false then.
bool sendAll(int socket, const char* bytes, std::size_t size, const std::atomic<bool>& stopping);
