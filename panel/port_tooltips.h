#pragma once
// The tooltips of the port options: each names the device that its port would
// open at the moment the tooltip is shown, and what that device is. The same text
// is the option's accessible description, for screen readers; it is brought up to
// date when the option gets the focus and after each choice of port.

#include "card_link/port_map.h"

#include <QList>
#include <QObject>

class QAbstractButton;

namespace panel {

// "/dev/ttyUSB0 — FT232R USB UART", or why there is no device for Comn;
// `exists` tells whether the device is there now.
QString portTooltip(int number, const card_link::MappedPort& port, bool exists);

class PortToolTips : public QObject {
public:
    // options[i] is the button of Com(i+1).
    PortToolTips(const QList<QAbstractButton*>& options, QObject* parent);

    // Describes every option as it stands now. Describing lists the machine's ports
    // (milliseconds of reading /sys), so the window calls it after it has chosen its
    // port, not before: the port opens and the polling starts without waiting for it.
    void refresh();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString currentText(int index) const;

    QList<QAbstractButton*> options_;
};

} // namespace panel
