#pragma once
// The telnet layer of a remote port (libtelnet): the card's bytes inside a telnet
// stream, 0xFF doubled on the way out and undoubled on the way in, BINARY asked for both
// ways, the server's option negotiation answered, and the serial line set through
// COM-PORT-OPTION. A server that negotiates without end is given up on: a stream that
// breaks the rules, or floods, ends the channel, and nothing of it is heard after that.
// The server's own messages (negotiation, modem and line state notices) never reach
// the card's side. Knows nothing of sockets: bytes come in through receive() and
// leave through the callbacks, so a recorded stream can be fed to it in any pieces.

#include <QByteArray>

#include <functional>

struct telnet_t;
union telnet_event_t;

namespace card_link {

class TelnetChannel {
public:
    static constexpr unsigned char kComPortOption = 44;
    // More option negotiations than any server needs on one connection: a server that
    // asks for more is flooding it.
    static constexpr int kNegotiationLimit = 40;

    struct Callbacks {
        std::function<void(const QByteArray&)> toNetwork;  // bytes for the server
        std::function<void(const QByteArray&)> toCard;     // the card's bytes, undoubled
        // The server agrees to COM-PORT-OPTION (true) or refuses it (false).
        std::function<void(bool)> comPortOption;
        // A COM-PORT-OPTION answer: the command it answers (1 to 12) and its value.
        std::function<void(unsigned char, const QByteArray&)> comPortAnswer;
        // The stream broke the telnet rules beyond repair, in the library's words.
        std::function<void(const QString&)> failed;
        // The server made this client negotiate more than kNegotiationLimit times.
        std::function<void()> flooded;
    };

    explicit TelnetChannel(Callbacks callbacks);
    ~TelnetChannel();
    TelnetChannel(const TelnetChannel&) = delete;
    TelnetChannel& operator=(const TelnetChannel&) = delete;

    // Offers COM-PORT-OPTION and asks for BINARY both ways: the first thing sent on a new
    // connection.
    void start();
    // Sends the card's bytes.
    void send(const QByteArray& data);
    // Sends one COM-PORT-OPTION command with its value.
    void sendComPortCommand(unsigned char command, const QByteArray& value);
    // Bytes from the server, in whatever pieces they came; nothing more once it has failed.
    void receive(const char* data, qsizetype size);
    // The stream broke the rules or flooded: the channel has ended.
    bool ended() const { return ended_; }
    // The server has said anything in telnet (a negotiation, a subnegotiation): it is a
    // telnet server, not a raw port.
    bool heardTelnet() const { return heardTelnet_; }

private:
    static void onEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    void handle(const telnet_event_t& event);

    // True when a negotiation of `event` is one too many.
    bool overLimit(const telnet_event_t& event);

    Callbacks callbacks_;
    telnet_t* telnet_ = nullptr;
    int negotiations_ = 0;
    bool ended_ = false;
    bool heardTelnet_ = false;
};

} // namespace card_link
