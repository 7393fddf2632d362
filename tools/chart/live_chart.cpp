#include "live_chart.h"

#include "chart_painter.h"
#include "platform/process/clocks.h"
#include "live_traces.h"

#include <QPainter>

LiveChart::LiveChart(const LiveTrace& trace, QWidget* parent) : QWidget(parent), trace_(trace)
{
    setMinimumSize(600, 420);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void LiveChart::paintEvent(QPaintEvent*)
{
    const ChartPainter chart(size(), font());
    const double now = static_cast<double>(wallMicros()) / 1e6;
    const ChartTime time{now - trace_.windowSeconds(), now, true};
    if (background_.size() != size() * devicePixelRatioF()) {
        background_ = QPixmap(size() * devicePixelRatioF());
        background_.setDevicePixelRatio(devicePixelRatioF());
        QPainter p(&background_);
        chart.paintBackground(p, time);
    }
    QPainter p(this);
    p.drawPixmap(0, 0, background_);
    chart.paintTraces(p, time, liveTraces(trace_, time, chart.columns()));
}
