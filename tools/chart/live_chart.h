#pragma once
// The live chart: the card's chart across the last window of seconds up to now, drawn
// from a LiveTrace. What never changes (axes, grid, labels) is drawn once per size into a
// picture; a repaint copies it and draws the traces.

#include "live_trace.h"

#include <QPixmap>
#include <QWidget>

class LiveChart : public QWidget {
public:
    LiveChart(const LiveTrace& trace, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {1000, 620}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const LiveTrace& trace_;
    QPixmap background_;
};
