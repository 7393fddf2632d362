#pragma once
// A card's topics on the broker, under PREFIX/NAME/: one a state (output/1 .. output/8 and
// input/1 .. input/8, ON or OFF; analog/1 and analog/2, volts with two decimals), one a
// command (output/N/set, ON or OFF), two of availability, online or offline: the
// program's own (availability) and the card's (card), and the record of who holds the name
// (owner, see name_claim.h).

#include <QByteArray>
#include <QString>

namespace card_mqtt {

class CardTopics {
public:
    CardTopics(const QString& prefix, const QString& name) : base_(prefix + QLatin1Char('/') + name) {}

    // Outputs, inputs and analogue inputs are numbered from 1, as the window shows them.
    QString output(int n) const { return topic(QStringLiteral("output/%1").arg(n)); }
    QString outputCommand(int n) const { return output(n) + QStringLiteral("/set"); }
    QString input(int n) const { return topic(QStringLiteral("input/%1").arg(n)); }
    QString analog(int n) const { return topic(QStringLiteral("analog/%1").arg(n)); }
    QString availability() const { return topic(QStringLiteral("availability")); }
    QString card() const { return topic(QStringLiteral("card")); }
    QString owner() const { return topic(QStringLiteral("owner")); }
    // The card kept safe: a timed output's seconds left; the safe state (on or off) and why.
    QString offIn(int n) const { return output(n) + QStringLiteral("/off_in"); }
    QString safe() const { return topic(QStringLiteral("safe")); }
    QString safeReason() const { return topic(QStringLiteral("safe/reason")); }
    // Any message here from a client says it is still there.
    QString heartbeat() const { return topic(QStringLiteral("heartbeat")); }
    // What the two availabilities say.
    static QByteArray availabilityWord(bool online)
    {
        return online ? QByteArrayLiteral("online") : QByteArrayLiteral("offline");
    }
    // Every output's command topic, to subscribe to.
    QString commands() const { return topic(QStringLiteral("output/+/set")); }
    // The output whose command topic `topic` is, 1 to 8; 0 for any other topic.
    int commandOutput(const QString& topic) const;

private:
    QString topic(const QString& rest) const { return base_ + QLatin1Char('/') + rest; }

    QString base_;
};

} // namespace card_mqtt
