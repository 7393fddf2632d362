#pragma once
// Who holds a card's name on a broker: one program at a time, the first, for as long as it
// is there. The holder keeps a record, retained under the card's topics at owner:
//     {"program":"pelmorad","machine":"pi","holder":"3f2a..."}
// `holder` is an identity that stays across the holder's restarts and differs between any
// two holders: a hash of the machine's id, its host name, the program, the name and the
// card's device. On each connection, before it publishes anything, a program reads the
// record and the name's availability (both retained); then it takes the name when nobody
// holds it, when the record is its own (a restart after a power cut, whose availability
// may still say online), or when the holder is not online; otherwise it stays off the
// broker. Taking it is publishing its own record: when two programs take the name at once,
// the one whose record the broker had first keeps it, since each sees the records in the
// broker's order, and the other sees a record not its own come before its own was
// acknowledged. A holder that later sees another's record publishes its own again.

#include <QByteArray>
#include <QString>

#include <optional>

namespace card_mqtt {

struct Holder {
    QString program;
    QString machine;
    QString id;

    QByteArray record() const;
    // Nothing for an empty payload, or for one that is no record.
    static std::optional<Holder> fromRecord(const QByteArray& payload);
};

class NameClaim {
public:
    enum class State { Reading, Claiming, Holding, Yielded };
    // What a record heard means to this program.
    enum class Then { Nothing, Yield, ClaimAgain };

    // This program, holding the card of `device` as `name`.
    NameClaim(const QString& program, const QString& name, const QString& device);

    const Holder& self() const { return self_; }
    State state() const { return state_; }
    // A new connection: what the broker holds is read anew.
    void connected();
    void heardAvailability(const QByteArray& payload) { online_ = payload == "online"; }
    Then heardRecord(const QByteArray& payload);
    // Everything retained has come: true when the name is this program's to take (its
    // record is published next), false when `other` holds it.
    bool mayTake(Holder& other);
    // The broker's answer to this program's record: true when the name is now held, false
    // when `other`'s record came first.
    bool recordAcknowledged(Holder& other);
    // The broker does not let the record be read or published: held without one.
    void holdWithoutRecord() { state_ = State::Holding; }

private:
    Holder self_;
    State state_ = State::Reading;
    std::optional<Holder> recorded_;
    bool online_ = false;
    std::optional<Holder> first_;  // another's record, come while this one's was on its way
};

} // namespace card_mqtt
