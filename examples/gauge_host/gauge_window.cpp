#include "gauge_window.h"

#include "ui_gauge_window.h"

GaugeWindow::GaugeWindow(QWidget* parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::GaugeWindow>())
{
    ui->setupUi(this);
    connect(ui->volts, &QSlider::valueChanged, this, &GaugeWindow::showVolts);
}

GaugeWindow::~GaugeWindow() = default;

gaugix::v_meter* GaugeWindow::gauge1() const { return ui->gauge1; }
gaugix::v_meter* GaugeWindow::gauge2() const { return ui->gauge2; }
QSlider* GaugeWindow::volts() const { return ui->volts; }

void GaugeWindow::showVolts(int hundredths)
{
    const double volts = hundredths / 100.0;
    // The C++ setter and the Qt property do the same; a host may use either.
    ui->gauge1->setValue(volts);
    ui->gauge2->setProperty("value", 5.0 - volts);
}
