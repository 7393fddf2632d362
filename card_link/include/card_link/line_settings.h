#pragma once
// The card's line as set through a telnet port's COM-PORT-OPTION: 9600 baud, 8 data
// bits, no parity, 1 stop bit, no flow control. Each command is sent without waiting
// for the one before; the server answers each with the value it has taken. Kept here:
// which settings are still unanswered, and which the server set otherwise.

#include <QByteArray>

#include <vector>

namespace card_link {

class LineSettings {
public:
    struct Command {
        unsigned char code;
        QByteArray value;
    };

    // The commands that set the card's line, in the order they are sent.
    static const std::vector<Command>& commands();

    // Every command has been sent: all are awaited afresh.
    void sent();
    // The server's answer to a command: true when the server took another value than
    // the one asked for.
    bool answered(unsigned char code, const QByteArray& value);
    // Whether `code` is a command sent and not answered yet.
    bool awaits(unsigned char code) const;
    // The commands sent and not answered so far, in the order they were sent.
    const std::vector<unsigned char>& unanswered() const { return awaited_; }

private:
    std::vector<unsigned char> awaited_;
};

} // namespace card_link
