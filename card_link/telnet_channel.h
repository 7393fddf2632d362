#pragma once
// The telnet layer of a remote port (libtelnet): the card's bytes inside a telnet
// stream, 0xFF doubled on the way out and undoubled on the way in, the server's
// option negotiation answered, and the serial line set through COM-PORT-OPTION.
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

    struct Callbacks {
        std::function<void(const QByteArray&)> toNetwork;  // bytes for the server
        std::function<void(const QByteArray&)> toCard;     // the card's bytes, undoubled
        // The server agrees to COM-PORT-OPTION (true) or refuses it (false).
        std::function<void(bool)> comPortOption;
        // A COM-PORT-OPTION answer: the command it answers (1 to 12) and its value.
        std::function<void(unsigned char, const QByteArray&)> comPortAnswer;
        // The stream broke the telnet rules beyond repair, in the library's words.
        std::function<void(const QString&)> failed;
    };

    explicit TelnetChannel(Callbacks callbacks);
    ~TelnetChannel();
    TelnetChannel(const TelnetChannel&) = delete;
    TelnetChannel& operator=(const TelnetChannel&) = delete;

    // Offers COM-PORT-OPTION: the first thing sent on a new connection.
    void start();
    // Sends the card's bytes.
    void send(const QByteArray& data);
    // Sends one COM-PORT-OPTION command with its value.
    void sendComPortCommand(unsigned char command, const QByteArray& value);
    // Bytes from the server, in whatever pieces they came.
    void receive(const char* data, qsizetype size);

private:
    static void onEvent(telnet_t* telnet, telnet_event_t* event, void* self);
    void handle(const telnet_event_t& event);

    Callbacks callbacks_;
    telnet_t* telnet_ = nullptr;
};

} // namespace card_link
