#pragma once
// The card as the program that holds it shows it, for those who follow it from outside
// (the bus, the broker): the outputs as they are sent, the last whole reply, the port and
// whether the card answers on it. And what may be asked of that program from outside.

#include <QString>

#include <array>

namespace card_link {

struct CardState {
    QString name;             // the card's name on the bus and the broker
    int outputs = 0;          // stato_uscite: output 1 (the leftmost) is bit 7
    int inputs = 0;           // input 1 is bit 0
    double analog1Volts = 0;  // as gauge 0 shows it
    double analog2Volts = 0;  // as gauge 1 shows it
    QString port;             // "Com1" to "Com4"
    QString device;           // what the port opens, empty when unknown
    bool connected = false;   // the port is open and the card has answered on it, lately
    // Seconds until a timed output that is on is switched off by itself (rounded up), by
    // channel; -1 for an output that is off or has no time set.
    std::array<int, 8> offIn{-1, -1, -1, -1, -1, -1, -1, -1};
    QString safe;             // why the safe state was put on the card; empty after a command

    bool operator==(const CardState& other) const
    {
        return name == other.name && outputs == other.outputs && inputs == other.inputs
               && analog1Volts == other.analog1Volts && analog2Volts == other.analog2Volts && port == other.port
               && device == other.device && connected == other.connected && offIn == other.offIn
               && safe == other.safe;
    }
    bool operator!=(const CardState& other) const { return !(*this == other); }
};

enum class OutputState { On, Off, Toggle };

// What a program that holds the card does for a request from outside: exactly what a
// press of the outputs' buttons does, the request to the card at once included. Each
// answer is empty when the new outputs went to the card, else why they did not, in
// English ("the card on /dev/ttyUSB0 is not connected: ..."); nothing is changed then.
class CardHolder {
public:
    virtual ~CardHolder() = default;
    // Output `channel`: 0 is the leftmost, "Interruttore 1".
    virtual QString switchOutput(int channel, OutputState state) = 0;
    // All eight at once, in one request: output channel i at bit 7 - i.
    virtual QString setOutputs(int mask) = 0;
    // A client says it is still there: it holds off the safe state of a card configured to
    // take it when every client has gone quiet.
    virtual void heartbeat() {}
};

} // namespace card_link
