#pragma once
// What MQTT costs the service, against the real mosquitto: two services on sweeping cards,
// one on the broker and one not, side by side; the time from a command published by
// mosquitto_pub to the card's request; and ten services on ten cards with one broker.

#include "result_table.h"

// Appends the rows; false when something did not run.
bool addMqttRows(QList<ResultRow>& rows, int seconds);
