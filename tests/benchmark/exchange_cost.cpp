#include "exchange_cost.h"

#include "platform/process/clocks.h"
#include "in_process_panel.h"

#include "gauge/gaugix_identity.h"
#include "platform/control_host.h"

#include <QCoreApplication>
#include <QWidget>

std::vector<double> exchangeCpuCosts(int count)
{
    InProcessPanel panel({"--follow-outputs", "--sweep"});
    std::vector<double> costs;
    if (!panel.ready())
        return costs;
    panel.form().Timer1().stop();
    for (int i = 0; i < count; ++i) {
        runEventsFor(2);  // the reply to the last request arrives in the meantime
        const double start = clockMicros(CLOCK_THREAD_CPUTIME_ID);
        panel.form().comunica();
        costs.push_back(clockMicros(CLOCK_THREAD_CPUTIME_ID) - start);
    }
    return costs;
}

std::vector<double> gaugeUpdateCpuCosts(int count)
{
    QWidget host;
    std::unique_ptr<platform::HostedControl> gauge = platform::createControl(gaugix::kProgId, &host);
    std::vector<double> costs;
    if (!gauge)
        return costs;
    host.resize(gauge->widget()->size());
    host.show();
    runEventsFor(100);
    for (int i = 0; i < count; ++i) {
        const double start = clockMicros(CLOCK_THREAD_CPUTIME_ID);
        gauge->putProperty(gaugix::kValueDispId, i % 2 == 0 ? 1.25 : 3.75);
        QCoreApplication::processEvents();
        costs.push_back(clockMicros(CLOCK_THREAD_CPUTIME_ID) - start);
    }
    return costs;
}
