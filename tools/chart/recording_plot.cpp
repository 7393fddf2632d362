#include "recording_plot.h"

#include "chart_painter.h"

#include <QGuiApplication>
#include <QPainter>

QImage plotRecording(const RecordingSeries& series, QSize size)
{
    const QString title = QStringLiteral("Card recording started %1").arg(QString(series.startText).replace('T', ' '));
    const ChartPainter chart(size, QGuiApplication::font(), title);
    const ChartTime time{0, series.lengthSeconds > 0 ? series.lengthSeconds : 1.0, false};
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    chart.paintBackground(painter, time);
    chart.paintTraces(painter, time, series.traces);
    return image;
}
