#pragma once
// What waits to go to the broker while the connection cannot take more (the broker has not
// yet acknowledged what went before, or the socket is full): at most one message a topic,
// the latest, in the order the topics first came. An input that flaps on a slow network
// sends its last state when the connection drains, not every state it had on the way.

#include <QByteArray>
#include <QList>
#include <QString>

namespace card_mqtt {

class Outbox {
public:
    struct Message {
        QString topic;
        QByteArray payload;
        bool retain = false;
    };

    // Replaces the message of its topic that waits, or waits behind the others.
    void hold(const Message& message);
    bool isEmpty() const { return waiting_.isEmpty(); }
    // The one that has waited longest.
    Message take() { return waiting_.takeFirst(); }
    void clear() { waiting_.clear(); }

private:
    QList<Message> waiting_;
};

} // namespace card_mqtt
