#include "poll_exchange.h"

#include "card_frames.h"

namespace card_link {

bool comunica(SerialPort& port, int stato_uscite, ExchangeView& view)
{
    if (!port.portOpen())
        return false;
    QByteArray received;
    try {
        port.output(buildRequest(stato_uscite));
        received = port.input();
    } catch (const SerialError&) {
        return false;
    }
    const auto reply = decodeReply(received);
    if (!reply)
        return false;

    view.setGaugeValue(0, reply->volts1);
    view.setGaugeValue(1, reply->volts2);
    view.yieldEvents();

    int d = reply->inputMask;
    for (int i = 0; i < 8; ++i) {
        view.pilota_led(7 - i, d % 2);
        view.yieldEvents();
        d /= 2;
    }
    return true;
}

} // namespace card_link
