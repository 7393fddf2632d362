#pragma once
// What keeping the card safe costs the service: two services on sweeping cards side by side,
// one with every safeguard of the example configuration and one with none; and how late a
// timed output's OFF reaches the card after its deadline.

#include "result_table.h"

// Appends the rows; false when something did not run.
bool addSafetyRows(QList<ResultRow>& rows, int seconds);
