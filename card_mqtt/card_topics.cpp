#include "card_topics.h"

namespace card_mqtt {

int CardTopics::commandOutput(const QString& topic) const
{
    for (int n = 1; n <= 8; ++n) {
        if (topic == outputCommand(n))
            return n;
    }
    return 0;
}

} // namespace card_mqtt
