#include "outbox.h"

namespace card_mqtt {

void Outbox::hold(const Message& message)
{
    for (Message& waiting : waiting_) {
        if (waiting.topic == message.topic) {
            waiting = message;
            return;
        }
    }
    waiting_.append(message);
}

} // namespace card_mqtt
