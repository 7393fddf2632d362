#include "name_claim.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>

namespace card_mqtt {

QByteArray Holder::record() const
{
    const QJsonObject object{{QStringLiteral("program"), program},
                             {QStringLiteral("machine"), machine},
                             {QStringLiteral("holder"), id}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<Holder> Holder::fromRecord(const QByteArray& payload)
{
    const QJsonObject object = QJsonDocument::fromJson(payload).object();
    const QString id = object.value(QStringLiteral("holder")).toString();
    if (id.isEmpty())
        return std::nullopt;
    return Holder{object.value(QStringLiteral("program")).toString(), object.value(QStringLiteral("machine")).toString(), id};
}

NameClaim::NameClaim(const QString& program, const QString& name, const QString& device)
{
    const QString machine = QSysInfo::machineHostName();
    const QByteArray all = QSysInfo::machineUniqueId() + '\n' + machine.toUtf8() + '\n' + program.toUtf8() + '\n'
        + name.toUtf8() + '\n' + device.toUtf8();
    self_ = {program, machine, QString::fromLatin1(QCryptographicHash::hash(all, QCryptographicHash::Sha256).toHex().left(16))};
}

void NameClaim::connected()
{
    state_ = State::Reading;
    recorded_.reset();
    online_ = false;
    first_.reset();
}

NameClaim::Then NameClaim::heardRecord(const QByteArray& payload)
{
    const std::optional<Holder> holder = Holder::fromRecord(payload);
    switch (state_) {
    case State::Reading:
        recorded_ = holder;
        return Then::Nothing;
    case State::Claiming:
        if (holder && holder->id != self_.id && !first_)
            first_ = holder;
        return Then::Nothing;
    case State::Holding:
        return holder && holder->id != self_.id ? Then::ClaimAgain : Then::Nothing;
    case State::Yielded:
        break;
    }
    return Then::Nothing;
}

bool NameClaim::mayTake(Holder& other)
{
    if (recorded_ && recorded_->id != self_.id && online_) {
        other = *recorded_;
        state_ = State::Yielded;
        return false;
    }
    state_ = State::Claiming;
    return true;
}

bool NameClaim::recordAcknowledged(Holder& other)
{
    if (first_) {
        other = *first_;
        state_ = State::Yielded;
        return false;
    }
    state_ = State::Holding;
    return true;
}

} // namespace card_mqtt
