#include "accessibility_events.h"

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

QList<AccessibilityEvents::Event>& events()
{
    static QList<AccessibilityEvents::Event> seen;
    return seen;
}

void record(QAccessibleEvent* event)
{
    QVariant value;
    if (event->type() == QAccessible::ValueChanged)
        value = static_cast<QAccessibleValueChangeEvent*>(event)->value();
    events().append({event->object(), event->type(), value});
}

// The platform's accessibility, which tells Qt whether assistive technology listens.
void setListening(bool listening)
{
    if (QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration())
        if (QPlatformAccessibility* accessibility = platform->accessibility())
            accessibility->setActive(listening);
}

} // namespace

AccessibilityEvents::AccessibilityEvents() : previous_(QAccessible::installUpdateHandler(&record))
{
    events().clear();
    setListening(true);
}

AccessibilityEvents::~AccessibilityEvents()
{
    setListening(false);
    QAccessible::installUpdateHandler(previous_);
}

QList<AccessibilityEvents::Event> AccessibilityEvents::of(QAccessible::Event type, const QObject* object) const
{
    QList<Event> found;
    for (const Event& event : events())
        if (event.type == type && (!object || event.object == object))
            found.append(event);
    return found;
}

void AccessibilityEvents::clear()
{
    events().clear();
}
