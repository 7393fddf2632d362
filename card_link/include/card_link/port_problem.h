#pragma once
// Why the card's port cannot be used, or what about its line the user should know:
// the facts only. The words for the user are chosen where they are shown.

#include <QString>

#include <vector>

namespace card_link {

struct PortProblem {
    enum class Kind {
        // A local device.
        Absent,        // no device for this COM number at all
        Missing,       // the named device does not exist
        NotPermitted,  // this user may not open it
        Held,          // another program has it
        StaleLock,     // a lock file left behind by a program that has ended
        OpenFailed,    // any other refusal: `reason` says it
        Lost,          // an open device went away: `reason` says how
        // A remote name that cannot be right.
        UnknownScheme,
        UnbracketedAddress,  // an IPv6 address without [ ]
        UnclosedAddress,     // "[" without "]"
        NoPortAfterAddress,  // "[...]" followed by something else than ":PORT"
        NotAnAddress,        // `subject` between [ ] is not an IPv6 address
        NoHost,
        BadHost,             // `subject`
        NoPort,
        BadPort,             // `subject`: the port as written
        // A card on another machine that could not be reached, or was lost: at `host`:`tcpPort`.
        HostUnknown,
        ConnectionRefused,
        ServerClosed,
        NetworkDown,         // `reason`: the system's words
        NetworkFailed,       // `reason`: the system's words
        NoAnswer,            // within `seconds`
        AttemptAbandoned,    // for another port
        AttemptUnderWay,
        AttemptInterrupted,
        ServerRefused,       // `reason`: the server's words
        NegotiationFlood,    // the server sent telnet negotiation without end
        // Told once while a remote port works.
        LineNotNegotiable,    // the server takes no line settings
        SettingRefused,       // `settings`: the one set otherwise
        SettingsUnconfirmed,  // `settings`: those unanswered after `seconds`
        NotTelnet,            // an rfc2217:// server that never answered the telnet offer
        // Told by whoever names the device instead of a port number: `reason`.
        NoDevice,
        // A fault of the program's own, in `reason`, in English.
        Internal,
    };
    Kind kind = Kind::Internal;
    QString port;          // the device tried, or the remote name as written
    int number = 1;        // the COM number
    QString reason;        // the system's, the server's or the resolver's own words
    QString subject;       // what the kind names: a holder, a lock file, a host, a TCP port as written
    QString user;          // NotPermitted: who runs the program
    QString group;         // NotPermitted: the group that owns the device
    bool groupMayUse = false;  // NotPermitted: members of that group may read and write it
    QString host;          // remote: without the brackets of an IPv6 address
    int tcpPort = 0;
    int seconds = 0;
    std::vector<unsigned char> settings;  // COM-PORT-OPTION commands: 1 baud rate .. 5 flow control
};

} // namespace card_link
