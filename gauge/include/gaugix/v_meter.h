// gaugix: a needle gauge for one voltage from 0 to 5 V.
//
//     #include <gaugix/v_meter.h>
//
//     auto* meter = new gaugix::v_meter(parent);
//     meter->setValue(2.51);                 // or meter->setProperty("value", 2.51)
//
// Link with gaugix::gaugix (CMake: find_package(gaugix 1.0)) or `pkg-config gaugix`.
#pragma once

#include <QWidget>

#include <memory>

#if defined(GAUGIX_LIBRARY)
#define GAUGIX_EXPORT Q_DECL_EXPORT
#else
#define GAUGIX_EXPORT Q_DECL_IMPORT
#endif

namespace gaugix {

class v_meterPrivate;

// A fixed dial face titled "S-METER" with ticks at 0, 2.5 and 5 V, a needle that turns about
// its pivot and a two-decimal readout under it, 162 x 146 pixels. A new gauge shows its needle
// at 0 V and an empty readout.
//
// Writing `value` turns the needle, 18 degrees a volt clockwise from the 0 V tick (values
// outside 0..5 go on turning past the end ticks), and rewrites the readout in the user's
// locale ("2.51", or "2,51" where decimals take a comma). A value that is not a finite number
// is refused and changes nothing. The gauge keeps no copy of what was written: reading
// `value` always yields 0.0. The face keeps its size and place whatever size the gauge is given.
class GAUGIX_EXPORT v_meter : public QWidget {
    Q_OBJECT
    // Written by hosts at run time; Designer offers no design-time value.
    Q_PROPERTY(double value READ value WRITE setValue DESIGNABLE false)

public:
    explicit v_meter(QWidget* parent = nullptr);
    ~v_meter() override;

    // Turns the needle and rewrites the readout; false, with nothing changed, when the
    // value is not finite.
    bool setValue(double volts);
    // Always 0.0.
    double value() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Q_DISABLE_COPY(v_meter)
    friend class v_meterPrivate;
    std::unique_ptr<v_meterPrivate> d;
};

} // namespace gaugix
