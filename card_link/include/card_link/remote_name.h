#pragma once
// A card on another machine, reached through a serial-over-network server:
// "rfc2217://HOST:PORT" is a telnet port with the serial line's settings
// (COM-PORT-OPTION), "socket://HOST:PORT" a plain TCP port that carries the
// card's bytes as they are. HOST is a name, an IPv4 address or [IPv6].

#include "port_problem.h"

#include <QString>
#include <cstdint>

namespace card_link {

struct RemoteName {
    enum class Scheme { Telnet, Raw };
    Scheme scheme = Scheme::Raw;
    QString host;        // without the brackets of an IPv6 address
    std::uint16_t port = 0;
    QString written;     // the name as the user wrote it, for messages
};

// True for a name that has a scheme ("xxx://"): it is a remote name, good or bad,
// never a path.
bool isRemoteName(const QString& name);

// Parses a remote name; on a malformed one returns false with `problem` saying
// what is wrong.
bool parseRemoteName(const QString& name, RemoteName& remote, PortProblem& problem);

} // namespace card_link
