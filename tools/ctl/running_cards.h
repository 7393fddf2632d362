#pragma once
// The programs that hold a card and offer it on a bus: panels on the user's session bus,
// services on the session or the system bus, each under its own name; and the choice of one.

#include <QDBusConnection>
#include <QDBusReply>
#include <QList>
#include <QString>
#include <QVariantMap>

struct RunningCard {
    QString connection;  // the name of pelmora-ctl's connection to the bus it is on
    QString bus;         // "session" or "system"
    QString service;     // its own bus name: io.github.pelmora.pelmora.p<PID>, io.github.pelmora.pelmorad.<NAME>
    QString program;     // "pelmora" (a panel) or "pelmorad" (a service)
    QString name;        // the card's name
    QString port;        // Com1 to Com4
    QString device;      // the device of that port
};

// What was found on the buses: the cards that answered, and why the others did not (a
// system bus that lets only the members of dialout in, say).
struct FoundCards {
    QList<RunningCard> cards;
    QStringList unreadable;  // "io.github.pelmora.pelmorad.tank on the system bus"
    QStringList why;         // why they could not be read, each reason once
};

// Every panel and service on `bus` (reached through pelmora-ctl's connection `connection`),
// in the order of their names.
void findCards(const QString& connection, const QString& bus, FoundCards& found);

// All of one card's properties, by name.
QDBusReply<QVariantMap> readValues(const RunningCard& card);

// True when `name` is the card's device: a path, a name under /dev, also through a link,
// or a remote name as written (rfc2217://pi:3001).
bool namesDevice(const QString& name, const QString& device);

struct CardChoice {
    RunningCard card;
    QString error;   // empty when one was chosen
    int status = 0;  // pelmora-ctl's exit status when none was
};

// The only card, or the one with `device`, or the one named `name`; an error when there is
// none, or several and nothing to tell them apart.
CardChoice chooseCard(const FoundCards& found, const QString& device, const QString& name);

// The line that `list` prints for a card.
QString cardLine(const RunningCard& card);

// A reply's error that says the program has left the bus since it was found.
bool hasEnded(const QDBusError& error);
