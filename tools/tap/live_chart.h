#pragma once
// The live chart: the two analogue inputs on a 0 to 5 V scale above, the eight outputs and
// the eight inputs as stacked digital traces below (Out 1 at the top, as in the plot of a
// recording), across the last window of seconds up to now, drawn with QPainter from a
// LiveTrace. What never changes (axes, grid, labels) is drawn once per size into a
// picture; a repaint copies it and draws the lines.

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
    struct Areas {
        QRectF analogue;
        QRectF digital;  // sixteen lanes of equal height
    };
    Areas areas() const;
    QRectF lane(const Areas& areas, int index) const;
    void drawBackground();

    const LiveTrace& trace_;
    QPixmap background_;
};
