#pragma once
// The service's rows: pelmorad beside the bare poller with a constant and with a changing
// reply, on a session bus of its own as it would be on a desktop, and from its start to its
// first request.

#include "result_table.h"

// Appends the rows; false when the service or the bare poller did not run.
bool addServiceRows(QList<ResultRow>& rows, int seconds, int starts);
