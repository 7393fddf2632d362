#pragma once
// What the card's face on the broker tells the user, in the program's language: the panel's
// Italian, the service's English. The broker's and the library's own words stay as they come.

#include "port_messages/port_messages.h"

#include <QString>

#include <chrono>

namespace card_mqtt {

QString connectedLine(const QString& where, const QString& clientId, card_link::Language language);
QString problemLine(const QString& where, const QString& words, std::chrono::milliseconds wait,
                    card_link::Language language);
QString takenOverLine(const QString& where, const QString& clientId, std::chrono::milliseconds wait,
                      card_link::Language language);
// Another program holds the card's name on the broker (see name_claim.h).
QString nameUsedLine(const QString& name, const QString& where, const QString& program, const QString& machine,
                     card_link::Language language);
QString nameUsedStatus(const QString& name, const QString& program, const QString& machine,
                       card_link::Language language);
// The broker refused a message the card published, or a subscription: `words` are its own.
QString refusedLine(const QString& where, const QString& topic, const QString& words, bool subscription,
                    card_link::Language language);
QString libraryMissingLine(const QString& words, card_link::Language language);

// The card's state on the broker in a few words, for a status line: `detail` is what the
// broker refuses (On), or why the card is off it (Off).
enum class MqttStatus { Connecting, On, Off, TakenOver, Unavailable };
QString statusLine(MqttStatus status, const QString& where, const QString& detail, card_link::Language language);
// A command refused: `payload` already made printable.
QString notACommandLine(const QString& topic, const QString& payload, card_link::Language language);
QString retainedCommandLine(const QString& topic, const QString& payload, card_link::Language language);
// A command the holder could not carry out, for `why` (its words, in English).
QString notDoneLine(const QString& topic, const QString& why, card_link::Language language);

} // namespace card_mqtt
