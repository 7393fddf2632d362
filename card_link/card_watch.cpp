#include "card_watch.h"

namespace card_link {

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

} // namespace card_link
