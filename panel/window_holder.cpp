#include "window_holder.h"

#include "form1.h"

#include "card_safety/output_guard.h"

namespace panel {

QString WindowHolder::switchOutput(int channel, card_link::OutputState state)
{
    if (QString why = window_.notConnected(); !why.isEmpty())
        return why;
    const quint64 before = window_.exchanges();
    if (state == card_link::OutputState::Toggle)
        window_.onoff_Click(channel);
    else
        window_.switchOutput(channel, state == card_link::OutputState::On);
    return outcome(before);
}

QString WindowHolder::setOutputs(int mask)
{
    if (QString why = window_.notConnected(); !why.isEmpty())
        return why;
    const quint64 before = window_.exchanges();
    window_.setOutputs(mask);
    return outcome(before);
}

void WindowHolder::heartbeat()
{
    if (card_safety::OutputGuard* guard = window_.guard())
        guard->heartbeat();
}

QString WindowHolder::outcome(quint64 exchangesBefore) const
{
    if (window_.exchanges() == exchangesBefore || window_.lastExchange() != card_link::Exchange::NotSent)
        return {};
    // Gone in the meantime, or its write failed: the window shows the new outputs, and
    // sends them when the card is back.
    const QString why = window_.notConnected();
    return why.isEmpty() ? QStringLiteral("the request could not be written to the card") : why;
}

} // namespace panel
