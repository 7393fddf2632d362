#pragma once
// The panel's values (its properties, by name) as pelmora-ctl prints them: one line of
// name=value words, or one JSON object on one line.

#include <QJsonObject>
#include <QString>
#include <QVariantMap>

// outputs=0x81 inputs=0x05 analog1=2.510 analog2=4.294 analog1_raw=128 analog2_raw=219
// port=Com1 device=/dev/ttyUSB0 connected=yes name=ttyUSB0
QString cardText(const QVariantMap& properties);

// The same names, masks and bytes as numbers, volts as numbers, connected as true or false.
QJsonObject cardJson(const QVariantMap& properties);

// Whether the card answers, so that its inputs are live.
bool connected(const QVariantMap& properties);

// Whether input n (1 to 8) is on in the properties' input mask.
bool inputOn(const QVariantMap& properties, int input);
