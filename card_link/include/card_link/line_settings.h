#pragma once
// The card's line as set through a telnet port's COM-PORT-OPTION: 9600 baud, 8 data
// bits, no parity, 1 stop bit, no flow control. Each command is sent without waiting
// for the one before; the server answers each with the value it has taken. Kept here:
// which settings are still unanswered, and which the server set otherwise.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace card_link {

class LineSettings {
public:
    struct Command {
        unsigned char code;
        QByteArray value;
        const char* what;  // the setting, in Italian, for messages: "velocità 9600"
    };

    // The commands that set the card's line, in the order they are sent.
    static const std::vector<Command>& commands();

    // Every command has been sent: all are awaited afresh.
    void sent();
    // The server's answer to a command. Returns the setting in words when the server
    // took another value than the one asked for, otherwise an empty string.
    QString answered(unsigned char code, const QByteArray& value);
    // The settings sent and not answered so far, in words.
    QStringList unanswered() const;

private:
    std::vector<unsigned char> awaited_;
};

} // namespace card_link
