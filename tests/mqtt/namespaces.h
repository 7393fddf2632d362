#pragma once
// A program run in namespaces of its own (unshare, as root): with another host name, or
// with a file of the test's own bound over one of the machine's (/etc/hosts, a library),
// which that program alone sees. Each is a wrapper for ServiceProcess.

#include <QString>
#include <QStringList>

// This machine lets the test make them: root, and unshare works here.
bool namespacesWork();
QStringList withHostName(const QString& name);
QStringList withFileOver(const QString& file, const QString& over);
