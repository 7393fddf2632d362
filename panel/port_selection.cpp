#include "port_selection.h"

#include "port_messages/port_messages.h"

#include <utility>

namespace panel {

void PortSelection::quale_porta_Click(int Index)
{
    // A fallback attempt that fails does not fall back again, so two unusable
    // ports cost the user two message boxes, not an endless chain.
    const bool isFallback = std::exchange(nextIsFallback_, false);
    // A port that takes time to open lets events run meanwhile; a choice made then
    // takes over, and this one ends without a word.
    const quint64 choice = ++choices_;

    view_.setTimerEnabled(false);
    keeper_.release();
    view_.yieldEvents();
    if (stopped_)
        return;
    if (port_.portOpen())
        port_.setPortOpen(false);
    port_.setPortNumber(Index + 1);

    QString refusal;
    try {
        port_.setPortOpen(true);
        keeper_.opened(Clock::now());
        view_.setTimerEnabled(true);
        return;
    } catch (const card_link::SerialError& error) {
        keeper_.refused(error.problem());
        refusal = card_link::portMessage(error.problem());
    }
    if (stopped_ || choice != choices_)
        return;

    view_.showPortError(refusal);
    if (stopped_)
        return;
    if (!isFallback) {
        nextIsFallback_ = true;
        view_.selectPortOption(Index == 0 ? 1 : 0);
        nextIsFallback_ = false;
    }
    // Poll only with a port open: no exchange ever runs on a closed port.
    if (port_.portOpen() && !stopped_)
        view_.setTimerEnabled(true);
}

void PortSelection::stop()
{
    stopped_ = true;
    keeper_.stop();
    view_.setTimerEnabled(false);
}

bool PortSelection::readyToPoll(Clock::time_point now)
{
    return keeper_.readyToPoll(now);
}

} // namespace panel
