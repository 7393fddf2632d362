#include "card_watch.h"

namespace panel {

void CardWatch::restart(Clock::time_point now)
{
    state_ = State::Answering;
    lastReply_ = now;
}

CardWatch::Change CardWatch::portChecked(bool open, Clock::time_point now)
{
    if (!open) {
        if (state_ == State::Gone)
            return Change::None;
        state_ = State::Gone;
        return Change::Gone;
    }
    if (state_ != State::Gone)
        return Change::None;
    restart(now);
    return Change::Back;
}

CardWatch::Change CardWatch::exchanged(bool replied, Clock::time_point now)
{
    if (state_ == State::Gone)
        return Change::None;
    if (replied) {
        lastReply_ = now;
        if (state_ != State::Silent)
            return Change::None;
        state_ = State::Answering;
        return Change::Answering;
    }
    if (state_ == State::Silent || now - lastReply_ < kSilence)
        return Change::None;
    state_ = State::Silent;
    return Change::Silent;
}

QString changeLine(CardWatch::Change change, const QString& port)
{
    switch (change) {
    case CardWatch::Change::None:
        break;
    case CardWatch::Change::Silent:
        return QStringLiteral("%1: la scheda non risponde da %2 s; i valori mostrati non sono aggiornati.")
            .arg(port)
            .arg(std::chrono::duration_cast<std::chrono::seconds>(CardWatch::kSilence).count());
    case CardWatch::Change::Answering:
        return QStringLiteral("%1: la scheda risponde di nuovo.").arg(port);
    case CardWatch::Change::Gone:
        return QStringLiteral("%1: il dispositivo è scomparso; nuovo tentativo ogni secondo.").arg(port);
    case CardWatch::Change::Back:
        return QStringLiteral("%1: il dispositivo è di nuovo presente e la porta è riaperta.").arg(port);
    }
    return {};
}

} // namespace panel
