#pragma once
// The window as the holder of the card for requests from outside (the bus, the broker):
// a request is exactly a click on the outputs' buttons, the request to the card at once
// included; one that finds the card not connected changes nothing and says why.

#include "card_link/card_state.h"

namespace panel {

class Form1;

class WindowHolder : public card_link::CardHolder {
public:
    explicit WindowHolder(Form1& window) : window_(window) {}

    QString switchOutput(int channel, card_link::OutputState state) override;
    QString setOutputs(int mask) override;
    void heartbeat() override;

private:
    // Why the outputs did not reach the card, after the window's own handler has run:
    // empty when its exchange wrote them, or when nothing needed sending.
    QString outcome(quint64 exchangesBefore) const;

    Form1& window_;
};

} // namespace panel
