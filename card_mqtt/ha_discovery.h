#pragma once
// What Home Assistant reads to find the card by itself: one configuration an entity under
// HA_PREFIX/<component>/<node>/<object>/config, as JSON: eight switches ("Interruttore 1"
// ...), eight binary sensors ("Signal In 1" ...) and two voltage sensors ("Ingresso
// analogico 1", "... 2"), the panel's own words. Each has a unique id that stays across
// restarts, both availability topics (availability_mode all), and the one device the card is.

#include "card_mqtt/card_topics.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace card_mqtt {

struct DiscoveryMessage {
    QString topic;
    QByteArray payload;
};

struct DiscoveredCard {
    QString haPrefix;
    QString topicPrefix;
    QString name;
    QString version;  // the program's, as the device's and the origin's sw_version
    int timedOutputs = 0;     // a sensor of the time left for each of these (bit 7 - channel)
    bool safeState = false;   // a diagnostic binary sensor of the safe state
};

QList<DiscoveryMessage> discoveryMessages(const DiscoveredCard& card);

} // namespace card_mqtt
