#include "live_traces.h"

namespace {

// Each bucket is one column of the window.
DecimatedTrace columnTrace(const ChartTime& time, int columns)
{
    const auto buckets = static_cast<std::size_t>(std::max(columns, 2));
    return DecimatedTrace(buckets + 1, time.from, (time.to - time.from) / static_cast<double>(buckets));
}

template <typename Sample, typename Value>
ChartTraces::Samples decimated(const std::deque<Sample>& samples, const ChartTime& time, int columns, Value value)
{
    DecimatedTrace trace = columnTrace(time, columns);
    for (const Sample& s : samples)
        value(trace, s);
    return trace.samples();
}

} // namespace

ChartTraces liveTraces(const LiveTrace& trace, const ChartTime& time, int columns)
{
    ChartTraces traces;
    traces.volts1 = decimated(trace.volts(), time, columns, [](DecimatedTrace& t, const LiveTrace::Volts& s) {
        t.add(s.seconds, s.volts1, s.afterGap);
    });
    traces.volts2 = decimated(trace.volts(), time, columns, [](DecimatedTrace& t, const LiveTrace::Volts& s) {
        t.add(s.seconds, s.volts2, s.afterGap);
    });
    for (int n = 0; n < 8; ++n) {
        const auto channel = [n](DecimatedTrace& t, const LiveTrace::States& s) { t.add(s.seconds, (s.on >> n) & 1); };
        traces.outputs[static_cast<std::size_t>(n)] = decimated(trace.outputs(), time, columns, channel);
        traces.inputs[static_cast<std::size_t>(n)] = decimated(trace.inputs(), time, columns, channel);
    }
    return traces;
}
