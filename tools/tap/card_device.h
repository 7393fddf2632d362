#pragma once
// The card's side of the tap: the card link's own port object, so the tap opens a card
// exactly as the panel does, a local device (9600 baud, 8N1, no handshaking, held
// exclusively and given up as the panel gives it up) or a card on another machine
// ("rfc2217://HOST:PORT", "socket://HOST:PORT"). Every open asks `resolveName` afresh
// which device it is (a ComN may map to another device by then).

#include "card_link/card_port.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

class CardDevice {
public:
    // `resolveName` gives the device's path or remote name now, or empty with the reason why there is none.
    explicit CardDevice(std::function<std::string(std::string& problem)> resolveName);
    CardDevice(const CardDevice&) = delete;
    CardDevice& operator=(const CardDevice&) = delete;

    // Opens the card, waiting (with the thread's events running) for a remote one; false
    // with `error` when it cannot be had. A stop signal that comes on `stopFd` meanwhile
    // (see stop_pipe.h) gives the attempt up at once.
    bool open(std::string& error, int stopFd = -1);
    bool isOpen() const { return port_.portOpen(); }
    // The name of the last attempt, for messages and rows.
    const std::string& name() const { return name_; }

    // For the forwarding loop: bytes both ways, the card's comings and goings.
    card_link::CardPort& port() { return port_; }
    // What the port told while open() waited, before anyone listened: handed over once.
    std::vector<card_link::PortProblem> takeEarlyNotices() { return std::exchange(earlyNotices_, {}); }

private:
    card_link::CardPort port_;
    std::vector<card_link::PortProblem> earlyNotices_;
    std::string name_;
};
