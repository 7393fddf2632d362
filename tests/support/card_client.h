#pragma once
// The panel's side of the virtual card: the slave device opened in raw mode with plain POSIX.

#include "card_link/frame_bytes.h"

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class CardClient {
public:
    explicit CardClient(const std::string& devicePath);
    ~CardClient();
    CardClient(const CardClient&) = delete;
    CardClient& operator=(const CardClient&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    void send(const Bytes& bytes);
    // Reads until `count` bytes have come or the timeout passes; may return fewer.
    Bytes receive(std::size_t count, int timeoutMs);
    // Everything that arrives within the window.
    Bytes receiveFor(int windowMs) { return receive(SIZE_MAX, windowMs); }

private:
    int fd_ = -1;
};

inline Bytes request(std::uint8_t mask)
{
    return {card_link::kRequestHeader, card_link::kRequestHeader, mask, card_link::kRequestTrailer};
}
