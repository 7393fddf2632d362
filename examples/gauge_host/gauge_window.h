#pragma once
// The example's window, from gauge_window.ui: the slider sets 0.00 to 5.00 V on the first
// gauge and the rest of 5 V on the second.

#include <QWidget>

#include <memory>

class QSlider;

namespace Ui {
class GaugeWindow;
}

namespace gaugix {
class v_meter;
}

class GaugeWindow : public QWidget {
    Q_OBJECT
public:
    explicit GaugeWindow(QWidget* parent = nullptr);
    ~GaugeWindow() override;

    gaugix::v_meter* gauge1() const;
    gaugix::v_meter* gauge2() const;
    QSlider* volts() const;

private:
    void showVolts(int hundredths);

    std::unique_ptr<Ui::GaugeWindow> ui;
};
