#pragma once
// The window of pelmora-tap --live: the values now as text above the live chart, brought
// up to date by a LiveUpdater, and how many frames the chart missed, if any. Closing it
// tells `closed`; the tap goes on forwarding and recording without it.

#include "live_chart.h"
#include "live_feed.h"
#include "live_trace.h"
#include "live_updater.h"

#include <QLabel>
#include <QWidget>

#include <functional>

class LiveWindow : public QWidget {
public:
    // `device` names the card in the title; `closed` is called the first time the user
    // closes the window.
    LiveWindow(const QString& device, double windowSeconds, LiveFeed& feed, std::function<void()> closed = {});

    const LiveTrace& trace() const { return trace_; }
    LiveUpdater& updater() { return updater_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showValues();
    QLabel* value(const QString& name, const QString& objectName);

    LiveTrace trace_;
    LiveChart* chart_;
    QLabel* analogue1_;
    QLabel* analogue2_;
    QLabel* outputs_;
    QLabel* inputs_;
    QLabel* status_;
    std::function<void()> closed_;
    LiveUpdater updater_;
};
