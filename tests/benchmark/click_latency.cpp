#include "click_latency.h"

#include "platform/process/clocks.h"
#include "in_process_panel.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

std::vector<double> clickToWireLatencies(int presses)
{
    QTemporaryDir dir;
    const QString log = dir.filePath("frames.log");
    InProcessPanel panel({"--follow-outputs", "--log", log});
    std::vector<double> latencies;
    if (!panel.ready())
        return latencies;
    // Only the presses send requests from here on.
    panel.form().Timer1().stop();
    runEventsFor(50);
    const qsizetype framesBefore = readFrameLog(log).size();

    struct Press {
        double micros;
        int mask;
    };
    std::vector<Press> sent;
    for (int i = 0; i < presses; ++i) {
        QPushButton* button = panel.form().onoff(i % 8);
        const QPoint centre = button->rect().center();
        runEventsFor(10);
        const double before = clockMicros(CLOCK_MONOTONIC);
        QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, centre);
        sent.push_back({before, panel.form().stato_uscite()});
    }
    runEventsFor(200);

    const QList<LoggedFrame> frames = readFrameLog(log).mid(framesBefore);
    qsizetype next = 0;
    for (const Press& press : sent) {
        while (next < frames.size() && (frames[next].micros < press.micros || frames[next].mask != press.mask))
            ++next;
        if (next == frames.size())
            break;
        latencies.push_back(static_cast<double>(frames[next].micros) - press.micros);
        ++next;
    }
    return latencies;
}
