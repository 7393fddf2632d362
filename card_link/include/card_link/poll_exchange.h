#pragma once
// One poll exchange: send the request for the current output mask, read what the
// card has sent since the last read and, when that is exactly one reply, show it.

#include "serial_port.h"

namespace card_link {

// The parts of the window that an exchange writes to.
class ExchangeView {
public:
    virtual ~ExchangeView() = default;
    virtual void setGaugeValue(int gauge, double volts) = 0;
    // Shows input 7 - quale_led lit when acceso is 1, dark otherwise.
    virtual void pilota_led(int quale_led, int acceso) = 0;
    // One pass over pending user-interface events.
    virtual void yieldEvents() = 0;
};

// How far an exchange went.
enum class Exchange {
    NotSent,  // the port is closed, or its write failed: nothing on screen changed
    Sent,     // the request went; no whole reply was read
    Shown,    // the request went, and a whole reply came and was shown
};

// Skipped, with nothing on screen changed, when the port is closed or its write
// or read fails.
Exchange comunica(SerialPort& port, int stato_uscite, ExchangeView& view);

} // namespace card_link
