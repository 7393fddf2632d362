#include "poll_exchange.h"

#include "card_frames.h"

namespace card_link {

Exchange comunica(SerialPort& port, int stato_uscite, ExchangeView& view)
{
    if (!port.portOpen())
        return Exchange::NotSent;
    try {
        port.output(buildRequest(stato_uscite));
    } catch (const SerialError&) {
        return Exchange::NotSent;
    }
    QByteArray received;
    try {
        received = port.input();
    } catch (const SerialError&) {
        return Exchange::Sent;
    }
    const auto reply = decodeReply(received);
    if (!reply)
        return Exchange::Sent;

    view.setGaugeValue(0, reply->volts1);
    view.setGaugeValue(1, reply->volts2);
    view.yieldEvents();

    int d = reply->inputMask;
    for (int i = 0; i < 8; ++i) {
        view.pilota_led(7 - i, d % 2);
        view.yieldEvents();
        d /= 2;
    }
    return Exchange::Shown;
}

} // namespace card_link
