#pragma once
// The panels running on the session bus, each under its own name, and the choice of one.

#include <QDBusConnection>
#include <QDBusReply>
#include <QList>
#include <QString>
#include <QVariantMap>

struct RunningPanel {
    QString service;  // io.github.pelmora.pelmora.p<PID>
    QString port;     // Com1 to Com4
    QString device;   // the device of that port
};

// Every panel that answers, in the order of their names.
QList<RunningPanel> runningPanels(QDBusConnection& bus);

// All of one panel's properties, by name.
QDBusReply<QVariantMap> readValues(QDBusConnection& bus, const QString& service);

// True when `name` (a path, or a name under /dev) is the panel's device, also through a link.
bool namesDevice(const QString& name, const QString& device);

struct PanelChoice {
    RunningPanel panel;
    QString error;   // empty when one was chosen
    int status = 0;  // pelmora-ctl's exit status when none was
};

// The only panel, or the one with `device`; an error when there is none, or several
// and no device to tell them apart.
PanelChoice choosePanel(const QList<RunningPanel>& panels, const QString& device);
