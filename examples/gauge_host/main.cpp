// gauge_host: two gaugix gauges driven by a slider.
#include "gauge_window.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    GaugeWindow window;
    window.show();
    return app.exec();
}
