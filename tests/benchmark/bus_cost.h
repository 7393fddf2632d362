#pragma once
// What the panel's D-Bus interface costs it: three panels polling virtual cards of their
// own at the same time, one with no session bus, one on a bus of the benchmark's own with
// no client, one on it with `pelmora-ctl watch` attached; with readings that stay put and
// with readings that change at every poll; in five rounds, `seconds` / 3 each.

#include "result_table.h"

#include <QList>

// Adds the rows; false when something did not run.
bool addBusCostRows(QList<ResultRow>& rows, int seconds);
