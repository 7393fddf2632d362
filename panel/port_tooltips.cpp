#include "port_tooltips.h"

#include "accessible_texts.h"

#include "card_link/port_device.h"
#include "card_link/remote_name.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFileInfo>

namespace panel {

QString portTooltip(int number, const card_link::MappedPort& port, bool exists)
{
    using Source = card_link::MappedPort::Source;
    if (port.source == Source::Absent)
        return QStringLiteral("Nessuna porta seriale numero %1 su questo computer").arg(number);
    const QString what = !exists                   ? QStringLiteral("non presente")
                         : port.description.isEmpty() ? QStringLiteral("porta seriale")
                                                      : port.description;
    if (port.source == Source::Environment)
        return QStringLiteral("%1 — %2, scelta da %3").arg(port.device, what, card_link::portVariable(number));
    return QStringLiteral("%1 — %2").arg(port.device, what);
}

PortToolTips::PortToolTips(const QList<QAbstractButton*>& options, QObject* parent)
    : QObject(parent), options_(options)
{
    for (QAbstractButton* option : options_)
        option->installEventFilter(this);
}

QString PortToolTips::currentText(int index) const
{
    const int number = index + 1;
    card_link::MappedPort port = card_link::currentPort(number);
    if (card_link::isRemoteName(port.device)) {
        // Whether it answers is known only by trying: the tooltip says what it is.
        port.description = port.device.startsWith(QLatin1String("socket"), Qt::CaseInsensitive)
            ? QStringLiteral("scheda in rete, TCP semplice")
            : QStringLiteral("scheda in rete, telnet con RFC 2217");
        return portTooltip(number, port, true);
    }
    return portTooltip(number, port, QFileInfo::exists(port.device));
}

void PortToolTips::refresh()
{
    for (int i = 0; i < options_.size(); ++i)
        giveAccessibleDescription(options_[i], currentText(i));
}

bool PortToolTips::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ToolTip && type != QEvent::FocusIn)
        return false;
    const qsizetype index = options_.indexOf(static_cast<QAbstractButton*>(watched));
    if (index < 0)
        return false;
    const QString text = currentText(static_cast<int>(index));
    giveAccessibleDescription(options_[index], text);
    if (type == QEvent::ToolTip)
        options_[index]->setToolTip(text);
    return false;  // the button then shows the tooltip, or takes the focus, as usual
}

} // namespace panel
