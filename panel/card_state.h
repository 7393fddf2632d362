#pragma once
// The card as the window shows it, for programs that follow the panel from outside: the
// outputs as the buttons' indicators show them, the last reply as the LEDs and gauges
// show it, the port chosen and whether the card answers on it.

#include <QString>

namespace panel {

struct CardState {
    int outputs = 0;          // stato_uscite: output 1 (the leftmost) is bit 7
    int inputs = 0;           // input 1 is bit 0
    double analog1Volts = 0;  // as gauge 0 shows it
    double analog2Volts = 0;  // as gauge 1 shows it
    QString port;             // "Com1" to "Com4"
    QString device;           // what the port opens, empty when unknown
    bool connected = false;   // the port is open and the card answers

    bool operator==(const CardState& other) const
    {
        return outputs == other.outputs && inputs == other.inputs && analog1Volts == other.analog1Volts
               && analog2Volts == other.analog2Volts && port == other.port && device == other.device
               && connected == other.connected;
    }
    bool operator!=(const CardState& other) const { return !(*this == other); }
};

} // namespace panel
