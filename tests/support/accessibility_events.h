#pragma once
// Turns accessibility on as though a screen reader were listening, and collects the
// accessibility events that the code raises while it lives: the ones a screen reader
// would be sent. Qt raises none while no assistive technology listens.

#include <QAccessible>
#include <QList>
#include <QVariant>

class AccessibilityEvents {
public:
    struct Event {
        QObject* object;
        QAccessible::Event type;
        QVariant value;  // the new value, for value changes
    };

    AccessibilityEvents();
    ~AccessibilityEvents();
    AccessibilityEvents(const AccessibilityEvents&) = delete;
    AccessibilityEvents& operator=(const AccessibilityEvents&) = delete;

    // Events of `type` raised since the last clear(); on `object` only, when given.
    QList<Event> of(QAccessible::Event type, const QObject* object = nullptr) const;
    void clear();

private:
    QAccessible::UpdateHandler previous_;
};
