#include "service_rows.h"

#include "private_bus.h"
#include "sample_statistics.h"
#include "side_by_side.h"
#include "side_by_side_rows.h"

bool addServiceRows(QList<ResultRow>& rows, int seconds, int starts)
{
    PrivateSessionBus bus;
    if (!bus.error().isEmpty()) {
        rows.push_back({"pelmorad on a session bus", bus.error(), "", false});
        return false;
    }
    bool ran = true;
    for (const bool sweep : {false, true})
        ran = addSideBySideRows(rows, runSideBySide(Holder::Service, {}, sweep, seconds)) && ran;
    const std::vector<double> times = startToFirstRequest(Holder::Service, {}, starts);
    rows.push_back({"Start of pelmorad to its first request", medianAndP99(times, 1, 1, "ms"), "< 50 ms",
                    int(times.size()) == starts && percentileOf(times, 99) < 50});
    return ran && int(times.size()) == starts;
}
