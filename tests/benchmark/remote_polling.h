#pragma once
// A card on another machine beside a local one: the panel polling a virtual card through
// ser2net (telnet with RFC 2217) on the loopback, and another panel polling a virtual card
// of its own directly, in the same stretch of time; and the time from a request written to
// its whole reply read, through each transport, from this process.

#include "result_table.h"

#include <QList>

// Adds the rows; false when something did not run.
bool addRemotePollingRows(QList<ResultRow>& rows, int seconds, int exchanges);
