#include "gauge_load.h"

#include "platform/process/clocks.h"
#include "in_process_panel.h"

#include <gaugix/v_meter.h>

#include <QTimer>
#include <QWidget>

#include <cmath>
#include <vector>

GaugeLoad runGaugeLoad(int gauges, int seconds)
{
    QWidget host;
    std::vector<gaugix::v_meter*> meters;
    const int columns = static_cast<int>(std::ceil(std::sqrt(gauges)));
    for (int i = 0; i < gauges; ++i) {
        auto* meter = new gaugix::v_meter(&host);
        meter->move(i % columns * meter->width(), i / columns * meter->height());
        meters.push_back(meter);
    }
    GaugeLoad load;
    load.gauges = static_cast<int>(meters.size());
    if (meters.empty())
        return load;
    host.adjustSize();
    host.show();

    // Each tick moves every needle to a new value, each gauge on its own phase.
    int tick = 0;
    QTimer writer;
    writer.setInterval(100);
    QObject::connect(&writer, &QTimer::timeout, [&] {
        ++tick;
        for (std::size_t i = 0; i < meters.size(); ++i)
            meters[i]->setValue(2.5 + 2.5 * std::sin(0.3 * tick + static_cast<double>(i)));
    });
    writer.start();
    runEventsFor(1000);

    const double cpuBefore = clockMicros(CLOCK_PROCESS_CPUTIME_ID);
    const double wallBefore = clockMicros(CLOCK_MONOTONIC);
    runEventsFor(seconds * 1000);
    load.seconds = (clockMicros(CLOCK_MONOTONIC) - wallBefore) / 1e6;
    load.cpuShare = (clockMicros(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore) / 1e6 / load.seconds;
    return load;
}
