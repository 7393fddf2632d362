#pragma once
// The table rows of one side-by-side run: the panel's figures beside the bare poller's, and
// their ratio, against the aims.

#include "result_table.h"
#include "side_by_side.h"

// Appends the rows; false when either program did not run.
bool addSideBySideRows(QList<ResultRow>& rows, const SideBySide& run);
