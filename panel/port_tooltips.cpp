#include "port_tooltips.h"

#include "card_link/port_device.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFileInfo>

namespace panel {

QString port_tooltip(int number, const card_link::MappedPort& port, bool exists)
{
    using Source = card_link::MappedPort::Source;
    if (port.source == Source::Absent)
        return QStringLiteral("Nessuna porta seriale numero %1 su questo computer").arg(number);
    const QString what = !exists                   ? QStringLiteral("non presente")
                         : port.description.isEmpty() ? QStringLiteral("porta seriale")
                                                      : port.description;
    if (port.source == Source::Environment)
        return QStringLiteral("%1 — %2, scelta da %3").arg(port.device, what, card_link::port_variable(number));
    return QStringLiteral("%1 — %2").arg(port.device, what);
}

PortToolTips::PortToolTips(const QList<QAbstractButton*>& options, QObject* parent)
    : QObject(parent), options_(options)
{
    for (QAbstractButton* option : options_)
        option->installEventFilter(this);
}

bool PortToolTips::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const qsizetype index = options_.indexOf(static_cast<QAbstractButton*>(watched));
        if (index >= 0) {
            const int number = static_cast<int>(index) + 1;
            const card_link::MappedPort port = card_link::current_port(number);
            options_[index]->setToolTip(port_tooltip(number, port, QFileInfo::exists(port.device)));
        }
    }
    return false;  // the button then shows the tooltip as usual
}

} // namespace panel
